// RecordViews: every checked record, live or deleted, as the formats of the export read it:
// one view of a contact and one of a message, with wide texts, whatever the record came from
// (the record-listing library's lists or the engine's typed records). The formats never read
// the model themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "DeletedRecords.h"
#include "RecordIndex.h"
#include "RecordModel.h"

// What a contact's value is.
enum class ValueKind { kPhone, kEmail, kOrganization, kOther };

struct ContactValueView {
    ValueKind kind = ValueKind::kOther;
    std::wstring value;
    std::optional<int> typeCode;  // phone and e-mail type code (1 home, 2 mobile or work, ...)
    std::wstring label;           // the custom label of a type code 0 value
};

struct ContactView {
    bool deleted = false;
    // Live: named by its structured name (name source 40). Deleted: its name row was carved.
    bool structuredName = false;
    std::wstring name;  // the display name; empty when there is none
    std::wstring givenName;
    std::wstring familyName;
    // Live: the phone, e-mail and organisation rows in row order. Deleted: every carved value.
    std::vector<ContactValueView> values;
};

// Which side of a conversation a message is on.
enum class MessageSide { kUnknown, kReceived, kSent };

struct MessageView {
    bool deleted = false;
    MessageSide side = MessageSide::kUnknown;
    std::optional<int64_t> type;  // Android's sms.type when known
    std::wstring caption;         // local time "YYYY-MM-DD HH:MM:SS"; empty when unknown
    std::optional<int64_t> date;  // milliseconds since 1970 UTC, when carved (deleted only)
    std::optional<std::wstring> address;
    std::optional<std::wstring> body;
    std::wstring contactName;  // the name of the contact the address belongs to; empty if none
};

struct ConversationView {
    std::wstring name;     // the name the export gives the conversation (see ConversationName)
    std::wstring address;  // of its first message
};

class RecordViews {
public:
    // `mimetypes` is the library's list (for the structured-name rows); the index is built
    // over the same lists.
    RecordViews(const RecordIndex& index, const MimetypeEntry* mimetypes);

    ContactView Live(const ContactRecord& contact) const;
    ContactView Deleted(const DeletedContact& contact) const;

    // The conversation's name: the address of its first message when that message's person
    // key is 0; otherwise the display name of the first contact whose person key matches,
    // when that contact is named by its structured name, or the address when it is not; an
    // empty name when no contact matches or the conversation has no message.
    std::wstring ConversationName(const ConversationRecord& conversation) const;
    ConversationView Conversation(const ConversationRecord& conversation) const;
    // The conversation's messages in list order.
    std::vector<MessageView> Messages(const ConversationRecord& conversation) const;
    MessageView Deleted(const DeletedSms& sms) const;

private:
    const RecordIndex& m_index;
    std::unordered_map<int32_t, bool> m_isNameMimetype;

    MessageView Live(const MessageRecord& message) const;
};
