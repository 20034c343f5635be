#include "RecordIndex.h"

#include <cstring>

DataKind KindOfMimetype(const char* name) {
    if (!name) return DataKind::kOther;
    if (std::strcmp(name, "vnd.android.cursor.item/phone_v2") == 0) return DataKind::kPhone;
    if (std::strcmp(name, "vnd.android.cursor.item/organization") == 0) return DataKind::kOrganization;
    if (std::strcmp(name, "vnd.android.cursor.item/email_v2") == 0) return DataKind::kEmail;
    return DataKind::kOther;
}

void RecordIndex::BuildContacts(const ContactRecord* /*contacts*/, const ContactDataRow* dataRows,
                                const MimetypeEntry* mimetypes) {
    m_rowsByContact.clear();
    m_kindByMimetype.clear();
    for (const MimetypeEntry* entry = mimetypes; entry; entry = entry->next) {
        // emplace keeps the first entry of a key, as a walk of the list would find it.
        m_kindByMimetype.emplace(entry->key, KindOfMimetype(entry->name));
    }
    for (const ContactDataRow* row = dataRows; row; row = row->next) {
        m_rowsByContact[row->contactKey].push_back(row);
    }
}

void RecordIndex::BuildMessages(const MessageRecord* messages, const ContactRecord* contacts) {
    m_messagesByThread.clear();
    m_contactByPerson.clear();
    for (const MessageRecord* message = messages; message; message = message->next) {
        m_messagesByThread[message->threadKey].push_back(message);
    }
    for (const ContactRecord* contact = contacts; contact; contact = contact->next) {
        m_contactByPerson.emplace(contact->personKey, contact);
    }
}

void RecordIndex::Clear() {
    m_rowsByContact.clear();
    m_kindByMimetype.clear();
    m_messagesByThread.clear();
    m_contactByPerson.clear();
}

const std::vector<const ContactDataRow*>& RecordIndex::RowsOf(int32_t contactKey) const {
    const auto found = m_rowsByContact.find(contactKey);
    return found == m_rowsByContact.end() ? m_noRows : found->second;
}

DataKind RecordIndex::KindOf(const ContactDataRow& row) const {
    const auto found = m_kindByMimetype.find(row.mimetypeKey);
    return found == m_kindByMimetype.end() ? DataKind::kOther : found->second;
}

const char* RecordIndex::FirstValue(int32_t contactKey, DataKind kind) const {
    for (const ContactDataRow* row : RowsOf(contactKey)) {
        if (KindOf(*row) == kind && row->data1 && *row->data1) return row->data1;
    }
    return nullptr;
}

const std::vector<const MessageRecord*>& RecordIndex::MessagesOf(int32_t threadKey) const {
    const auto found = m_messagesByThread.find(threadKey);
    return found == m_messagesByThread.end() ? m_noMessages : found->second;
}

const ContactRecord* RecordIndex::ContactByPerson(int32_t personKey) const {
    const auto found = m_contactByPerson.find(personKey);
    return found == m_contactByPerson.end() ? nullptr : found->second;
}
