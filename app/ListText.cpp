#include "ListText.h"

#include "NarrowText.h"

namespace {

const MessageRecord* FirstMessage(const RecordIndex& index, const ConversationRecord& conversation) {
    const auto& messages = index.MessagesOf(conversation.threadKey);
    return messages.empty() ? nullptr : messages.front();
}

}  // namespace

ContactListRow ContactListColumns(const RecordIndex& index, const ContactRecord& contact) {
    ContactListRow row;
    row.name = WideFromAnsi(contact.displayName);
    row.phone = WideFromAnsi(index.FirstValue(contact.contactKey, DataKind::kPhone));
    row.company = WideFromAnsi(index.FirstValue(contact.contactKey, DataKind::kOrganization));
    row.email = WideFromAnsi(index.FirstValue(contact.contactKey, DataKind::kEmail));
    return row;
}

std::wstring ConversationListName(const RecordIndex& index, const ConversationRecord& conversation) {
    const MessageRecord* first = FirstMessage(index, conversation);
    if (!first || first->personKey == 0) return std::wstring();
    const ContactRecord* contact = index.ContactByPerson(first->personKey);
    return contact ? WideFromAnsi(contact->displayName) : std::wstring();
}

std::wstring ConversationListPhone(const RecordIndex& index, const ConversationRecord& conversation) {
    const MessageRecord* first = FirstMessage(index, conversation);
    return first ? WideFromAnsi(first->address) : std::wstring();
}

ContactListRow DeletedContactListColumns(const DeletedContact& contact) {
    ContactListRow row;
    row.name = WideFromAnsi(contact.record.displayName);
    for (const ContactDataRow* data : contact.rowOrder) {
        if (!data->data1 || !*data->data1) continue;
        const char* mimetype = nullptr;
        for (const MimetypeEntry& entry : contact.mimetypes)
            if (entry.key == data->mimetypeKey) mimetype = entry.name;
        std::wstring* column = nullptr;
        switch (KindOfMimetype(mimetype)) {
        case DataKind::kPhone: column = &row.phone; break;
        case DataKind::kOrganization: column = &row.company; break;
        case DataKind::kEmail: column = &row.email; break;
        case DataKind::kOther: break;
        }
        if (column && column->empty()) *column = WideFromAnsi(data->data1);
    }
    return row;
}

void DeletedSmsListColumns(const DeletedSms& sms, std::wstring& name, std::wstring& phone) {
    name = WideFromAnsi(sms.name);
    phone = WideFromAnsi(sms.address);
}
