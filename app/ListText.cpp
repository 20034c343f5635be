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

bool DeletedContactListColumns(const DeletedContact& contact, ContactListRow& row) {
    const std::wstring line = WideFromAnsi(contact.line);
    const size_t tab = line.find(L'\t');
    if (tab == std::wstring::npos) return false;
    row = ContactListRow();
    row.name = line.substr(0, tab);
    row.phone = line.substr(tab + 1);
    return true;
}

bool DeletedSmsListColumns(const DeletedSms& sms, std::wstring& name, std::wstring& phone) {
    const std::wstring line = WideFromAnsi(sms.line);
    const size_t first = line.find(L'\t');
    const size_t second = first == std::wstring::npos ? first : line.find(L'\t', first + 1);
    if (second == std::wstring::npos) return false;
    name = line.substr(0, first);
    phone = line.substr(first + 1, second - first - 1);
    return true;
}
