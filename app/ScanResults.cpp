#include "ScanResults.h"

#include <windows.h>

#include <utility>

#include "WindowMessages.h"
#include "WorkerControl.h"

namespace {

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Tells the window that a category's load pass has ended with `count` records. Sent, so
// the category's lookups are complete before the window can show it.
void CategoryLoaded(const WorkerControl& control, Category category, int count) {
    if (control.m_hwndMain && count > 0)
        ::SendMessageW(control.m_hwndMain, WM_CATEGORY_LOADED, static_cast<WPARAM>(category), count);
}

}  // namespace

ScanResults::ScanResults(std::shared_ptr<RecsiftLibrary> library, std::string contactsDb, std::string smsDb)
    : m_strContactsDb(std::move(contactsDb)), m_strSmsDb(std::move(smsDb)), m_library(std::move(library)) {}

void ScanResults::ListContacts() {
    if (m_bContactsListed) return;
    m_bContactsListed = true;
    if (m_library && m_library->listContacts)
        m_library->listContacts(m_strContactsDb.c_str(), &m_pContactAux, &m_pContacts, &m_pDataRows, &m_pMimetypes);
}

void ScanResults::ListMessages() {
    if (m_bMessagesListed) return;
    m_bMessagesListed = true;
    if (m_library && m_library->listMessages)
        m_library->listMessages(m_strSmsDb.c_str(), &m_pConversations, &m_pMessages, &m_pSmsAux);
}

int ScanResults::LoadContacts(WorkerControl& control, bool countOnly) {
    if (!FileExists(m_strContactsDb)) return 0;
    if (countOnly) {
        ListContacts();
        int count = 0;
        for (const ContactRecord* c = m_pContacts; c; c = c->next) ++count;
        // Deleted contacts count whether or not the phone still has live ones: the user
        // who deleted every contact is the one who needs them most.
        count += static_cast<int>(m_recoveredContacts.size());
        control.m_nTotal += count;
        return count;
    }

    int result = 0;
    for (ContactRecord* c = m_pContacts; c; c = c->next) {
        control.WaitWhilePaused();
        if (control.m_bStop) {
            m_index.BuildContacts(m_pContacts, m_pDataRows, m_pMimetypes);
            CategoryLoaded(control, Category::kContacts, result);
            return -1;
        }
        c->checked = 1;
        ++result;
        control.RecordDone();
    }
    for (ContactAux* a = m_pContactAux; a; a = a->next) a->checked = 1;
    for (size_t i = 0; i < m_recoveredContacts.size(); ++i) {
        m_vecDeletedContacts.push_back(MakeDeletedContact(static_cast<int>(i), std::move(m_recoveredContacts[i])));
        ++result;
        control.RecordDone();
    }
    m_recoveredContacts.clear();
    m_index.BuildContacts(m_pContacts, m_pDataRows, m_pMimetypes);
    CategoryLoaded(control, Category::kContacts, result);
    return result;
}

int ScanResults::LoadMessages(WorkerControl& control, bool countOnly) {
    if (!FileExists(m_strSmsDb)) return 0;
    if (countOnly) {
        ListMessages();
        int count = 0;
        for (const ConversationRecord* c = m_pConversations; c; c = c->next) ++count;
        count += static_cast<int>(m_recoveredSms.size());
        control.m_nTotal += count;
        return count;
    }

    int result = 0;
    control.WaitWhilePaused();
    for (ConversationRecord* c = m_pConversations; c; c = c->next) {
        if (control.m_bStop) {
            m_index.BuildMessages(m_pMessages, m_pContacts);
            CategoryLoaded(control, Category::kMessages, result);
            return -1;
        }
        c->checked = 1;
        ++result;
        control.RecordDone();
    }
    for (size_t i = 0; i < m_recoveredSms.size(); ++i) {
        m_vecDeletedSms.push_back(MakeDeletedSms(static_cast<int>(i), std::move(m_recoveredSms[i])));
        ++result;
        control.RecordDone();
    }
    m_recoveredSms.clear();
    m_index.BuildMessages(m_pMessages, m_pContacts);
    CategoryLoaded(control, Category::kMessages, result);
    return result;
}

void ScanResults::CheckAll(Category category, bool checked) {
    const uint8_t flag = checked ? 1 : 0;
    if (category == Category::kContacts) {
        for (ContactAux* a = m_pContactAux; a; a = a->next) a->checked = flag;
        for (ContactRecord* c = m_pContacts; c; c = c->next) c->checked = flag;
        for (auto& d : m_vecDeletedContacts) d->record.checked = flag;
    } else {
        for (ConversationRecord* c = m_pConversations; c; c = c->next) c->checked = flag;
        for (auto& d : m_vecDeletedSms) d->record.checked = flag;
    }
}

const DeletedContact* ScanResults::DeletedOf(const ContactRecord& record) const {
    // A deleted record's key is its position in the list of deleted records.
    const auto position = static_cast<size_t>(record.contactKey);
    if (!record.deleted || record.contactKey < 0 || position >= m_vecDeletedContacts.size()) return nullptr;
    const DeletedContact* deleted = m_vecDeletedContacts[position].get();
    return &deleted->record == &record ? deleted : nullptr;
}

const DeletedSms* ScanResults::DeletedOf(const ConversationRecord& record) const {
    const auto position = static_cast<size_t>(record.threadKey);
    if (!record.deleted || record.threadKey < 0 || position >= m_vecDeletedSms.size()) return nullptr;
    const DeletedSms* deleted = m_vecDeletedSms[position].get();
    return &deleted->record == &record ? deleted : nullptr;
}

const std::vector<const ContactDataRow*>& ScanResults::DataRowsOf(const ContactRecord& record) const {
    if (record.deleted) {
        const DeletedContact* deleted = DeletedOf(record);
        return deleted ? deleted->rowOrder : m_noRows;
    }
    return m_index.RowsOf(record.contactKey);
}

const MimetypeEntry* ScanResults::MimetypesOf(const ContactRecord& record) const {
    if (record.deleted) {
        const DeletedContact* deleted = DeletedOf(record);
        return deleted && !deleted->mimetypes.empty() ? &deleted->mimetypes.front() : nullptr;
    }
    return m_pMimetypes;
}

const std::vector<const MessageRecord*>& ScanResults::MessagesOf(const ConversationRecord& record) const {
    if (record.deleted) {
        const DeletedSms* deleted = DeletedOf(record);
        return deleted ? deleted->bubbleOrder : m_noMessages;
    }
    return m_index.MessagesOf(record.threadKey);
}

ExportModel ScanResults::ExportView() const {
    ExportModel model;
    model.contacts = m_pContacts;
    model.dataRows = m_pDataRows;
    model.mimetypes = m_pMimetypes;
    model.conversations = m_pConversations;
    model.messages = m_pMessages;
    model.deletedContacts = &m_vecDeletedContacts;
    model.deletedSms = &m_vecDeletedSms;
    model.index = &m_index;
    return model;
}
