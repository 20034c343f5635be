// Deleted records made from the engine's typed records, in the layouts of the listing's own
// records so that the list, the boards and the exports treat them as they treat live ones:
//
//   DeletedContact  a ContactRecord (deleted = 1) named after the person, with one
//                   ContactDataRow per recovered value (number, e-mail, company, ...), each
//                   pointing at a MimetypeEntry of the contact's own, so the contact board
//                   shows a deleted person as it shows a live one.
//   DeletedSms      a ConversationRecord (deleted = 1) for one recovered message, with one
//                   MessageRecord: its body, and its date caption and side (received or sent)
//                   when the engine carved them.
//
// Every narrow text is UTF-8 (the program runs with the UTF-8 code page). The records point
// into their own object, so the objects are neither copied nor moved: they live behind
// unique_ptr, and the engine's record (`contact`, `message`) stays beside them for the
// exports, which read its fields.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "RecordModel.h"
#include "RecoveredRecords.h"

// The name shown for a deleted contact whose name did not survive, and for any field of a
// deleted message that was not carved.
extern const char kNotAvailable[];  // "N/A"

struct DeletedContact {
    DeletedContact() = default;
    DeletedContact(const DeletedContact&) = delete;
    DeletedContact& operator=(const DeletedContact&) = delete;

    // contactKey = position, checked = 1, deleted = 1, displayName = the name ("N/A" when
    // none survived), nameSource = structured name.
    ContactRecord record{};
    engine::RecoveredContact contact;
    std::vector<ContactDataRow> rows;              // one per value, linked in order
    std::vector<const ContactDataRow*> rowOrder;   // the same, for the board
    std::vector<MimetypeEntry> mimetypes;          // linked; keys from 1
    std::deque<std::string> texts;                 // what the rows' text pointers point at
};

struct DeletedSms {
    DeletedSms() = default;
    DeletedSms(const DeletedSms&) = delete;
    DeletedSms& operator=(const DeletedSms&) = delete;

    ConversationRecord record{};     // threadKey = position, checked = 1, deleted = 1
    engine::RecoveredMessage message;
    MessageRecord bubble{};          // address, caption, type, body of the one message
    std::vector<const MessageRecord*> bubbleOrder;  // {&bubble}, for the board
    std::string name;                // the sender's contact name, or "N/A"
    std::string address;             // the address, or "N/A"
    std::string caption;             // the date as local time, empty when not carved
};

std::unique_ptr<DeletedContact> MakeDeletedContact(int position, engine::RecoveredContact contact);
std::unique_ptr<DeletedSms> MakeDeletedSms(int position, engine::RecoveredMessage message);

using DeletedContactList = std::vector<std::unique_ptr<DeletedContact>>;
using DeletedSmsList = std::vector<std::unique_ptr<DeletedSms>>;
