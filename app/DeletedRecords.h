// Deleted records made from the engine's texts: one record per line, in the layouts of
// ContactRecord (32 bytes) and ConversationRecord (44 bytes), marked deleted and checked,
// whose text pointer points at the record's own copy of its line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "RecordModel.h"

// The lines of an engine text: each line ends with "\r\n" (excluded); text after the last
// "\r\n" is not a line.
std::vector<std::string> SplitRecordLines(const std::string& text);
// Number of "\r\n" in the text: the number of lines SplitRecordLines gives.
int CountRecordLines(const std::string& text);

// The record's text pointer refers to the object's own `line`, so the objects can be neither
// copied nor moved: they live behind unique_ptr.
struct DeletedContact {
    DeletedContact() = default;
    DeletedContact(const DeletedContact&) = delete;
    DeletedContact& operator=(const DeletedContact&) = delete;

    ContactRecord record{};  // contactKey = position, checked = 1, deleted = 1, displayName = line
    std::string line;        // name TAB number
};

struct DeletedSms {
    DeletedSms() = default;
    DeletedSms(const DeletedSms&) = delete;
    DeletedSms& operator=(const DeletedSms&) = delete;

    ConversationRecord record{};  // threadKey = position, checked = 1, deleted = 1, deletedText = line
    std::string line;             // name TAB address TAB body
};

std::unique_ptr<DeletedContact> MakeDeletedContact(int position, std::string line);
std::unique_ptr<DeletedSms> MakeDeletedSms(int position, std::string line);

using DeletedContactList = std::vector<std::unique_ptr<DeletedContact>>;
using DeletedSmsList = std::vector<std::unique_ptr<DeletedSms>>;
