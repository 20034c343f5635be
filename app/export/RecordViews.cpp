#include "RecordViews.h"

#include <cstdint>
#include <cstring>

#include "ContactTypes.h"
#include "LocalTime.h"
#include "NarrowText.h"

namespace {

const char kNameMimetype[] = "vnd.android.cursor.item/name";

ValueKind KindOfMimetype(const std::string& mimetype) {
    if (mimetype == "vnd.android.cursor.item/phone_v2") return ValueKind::kPhone;
    if (mimetype == "vnd.android.cursor.item/email_v2") return ValueKind::kEmail;
    if (mimetype == "vnd.android.cursor.item/organization") return ValueKind::kOrganization;
    return ValueKind::kOther;
}

std::optional<std::wstring> CarvedText(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return WideFromUtf8(*text);
}

}  // namespace

RecordViews::RecordViews(const RecordIndex& index, const MimetypeEntry* mimetypes) : m_index(index) {
    for (const MimetypeEntry* entry = mimetypes; entry; entry = entry->next) {
        m_isNameMimetype[entry->key] = entry->name && std::strcmp(entry->name, kNameMimetype) == 0;
    }
}

ContactView RecordViews::Live(const ContactRecord& contact) const {
    ContactView view;
    view.structuredName = contact.nameSource == kNameSourceStructuredName;
    view.name = WideFromAnsi(contact.displayName);
    for (const ContactDataRow* row : m_index.RowsOf(contact.contactKey)) {
        ContactValueView value;
        switch (m_index.KindOf(*row)) {
            case DataKind::kPhone: value.kind = ValueKind::kPhone; break;
            case DataKind::kEmail: value.kind = ValueKind::kEmail; break;
            case DataKind::kOrganization: value.kind = ValueKind::kOrganization; break;
            case DataKind::kOther: {
                const auto name = m_isNameMimetype.find(row->mimetypeKey);
                if (name != m_isNameMimetype.end() && name->second && view.givenName.empty() &&
                    view.familyName.empty()) {
                    view.givenName = WideFromAnsi(row->data2);
                    view.familyName = WideFromAnsi(row->data3);
                }
                continue;
            }
        }
        value.value = WideFromAnsi(row->data1);
        if (value.kind != ValueKind::kOrganization) {
            value.typeCode = TypeCode(row->data2);
            value.label = WideFromAnsi(row->data3);
        }
        view.values.push_back(std::move(value));
    }
    return view;
}

ContactView RecordViews::Deleted(const DeletedContact& deleted) const {
    const engine::RecoveredContact& contact = deleted.contact;
    ContactView view;
    view.deleted = true;
    view.name = WideFromUtf8(contact.name);
    view.structuredName = !view.name.empty();
    view.givenName = WideFromUtf8(contact.givenName);
    view.familyName = WideFromUtf8(contact.familyName);
    for (const engine::RecoveredContactValue& carved : contact.values) {
        ContactValueView value;
        value.kind = KindOfMimetype(carved.mimetype);
        value.value = WideFromUtf8(carved.value);
        if (carved.typeCode) {
            const int64_t code = *carved.typeCode;
            value.typeCode = code > INT32_MAX || code < INT32_MIN ? 0 : static_cast<int>(code);
        }
        value.label = WideFromUtf8(carved.label);
        view.values.push_back(std::move(value));
    }
    return view;
}

std::wstring RecordViews::ConversationName(const ConversationRecord& conversation) const {
    const auto& messages = m_index.MessagesOf(conversation.threadKey);
    if (messages.empty()) return std::wstring();
    const MessageRecord& first = *messages.front();
    if (first.personKey == 0) return WideFromAnsi(first.address);
    const ContactRecord* contact = m_index.ContactByPerson(first.personKey);
    if (!contact) return std::wstring();
    if (contact->nameSource == kNameSourceStructuredName) return WideFromAnsi(contact->displayName);
    return WideFromAnsi(first.address);
}

ConversationView RecordViews::Conversation(const ConversationRecord& conversation) const {
    ConversationView view;
    view.name = ConversationName(conversation);
    const auto& messages = m_index.MessagesOf(conversation.threadKey);
    if (!messages.empty()) view.address = WideFromAnsi(messages.front()->address);
    return view;
}

std::vector<MessageView> RecordViews::Messages(const ConversationRecord& conversation) const {
    std::vector<MessageView> views;
    const auto& messages = m_index.MessagesOf(conversation.threadKey);
    views.reserve(messages.size());
    for (const MessageRecord* message : messages) views.push_back(Live(*message));
    return views;
}

MessageView RecordViews::Live(const MessageRecord& message) const {
    MessageView view;
    // Type 1 is received; every other type is the phone's own (sent, outbox, failed, ...).
    view.side = message.type == 1 ? MessageSide::kReceived : MessageSide::kSent;
    view.type = message.type;
    view.caption = WideFromAnsi(message.caption);
    view.address = WideFromAnsi(message.address);
    view.body = WideFromAnsi(message.body);
    if (message.personKey != 0) {
        if (const ContactRecord* contact = m_index.ContactByPerson(message.personKey)) {
            view.contactName = WideFromAnsi(contact->displayName);
        }
    }
    return view;
}

MessageView RecordViews::Deleted(const DeletedSms& deleted) const {
    const engine::RecoveredMessage& message = deleted.message;
    MessageView view;
    view.deleted = true;
    view.type = message.type;
    if (message.type) {
        // Android's types: 1 inbox; 2 sent, 3 draft, 4 outbox, 5 failed, 6 queued.
        if (*message.type == 1) view.side = MessageSide::kReceived;
        if (*message.type >= 2 && *message.type <= 6) view.side = MessageSide::kSent;
    }
    if (message.date) {
        view.date = message.date;
        view.caption = LocalTimeText(*message.date);
    }
    view.address = CarvedText(message.address);
    view.body = CarvedText(message.body);
    view.contactName = WideFromUtf8(message.contactName);
    return view;
}
