// ScanResults: the results of one scan: the records the engine recovered from the two
// copies, the live lists of the record-listing library, the deleted records made from the
// engine's records, and the lookups the list, the boards and the export make.
//
// How it works: the scan worker fills the engine's part; the load worker then lists each
// database once, counts, and loads the categories one after the other, building each
// category's lookups before it tells the window that the category is loaded. From then on
// the window reads that category and writes nothing but checked flags; the records stay
// as they are until the results are dropped. The window and the worker hold the results
// through a shared pointer, so a worker that outlives the window never reads freed records.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DeletedRecords.h"
#include "RecordExporter.h"
#include "RecordIndex.h"
#include "RecordLibrary.h"
#include "RecordModel.h"
#include "RecoveredRecords.h"

class WorkerControl;

enum class Category { kContacts = 0, kMessages = 1 };

class ScanResults {
public:
    ScanResults(std::shared_ptr<RecsiftLibrary> library, std::string contactsDb, std::string smsDb);
    ScanResults(const ScanResults&) = delete;
    ScanResults& operator=(const ScanResults&) = delete;

    // The copies the scan read (a missing file is a database that did not arrive).
    const std::string m_strContactsDb;
    const std::string m_strSmsDb;

    // What the engine recovered and how its runs went; written by the scan worker.
    std::vector<engine::RecoveredContact> m_recoveredContacts;
    std::vector<engine::RecoveredMessage> m_recoveredSms;
    engine::RunReport m_contactsReport;
    engine::RunReport m_smsReport;
    // What made a worker give up (an exception's text); empty when nothing did.
    std::string m_strFailure;

    // The library's lists (its own memory; only the checked flags are written).
    ContactAux* m_pContactAux = nullptr;
    ContactRecord* m_pContacts = nullptr;
    ContactDataRow* m_pDataRows = nullptr;
    MimetypeEntry* m_pMimetypes = nullptr;
    ConversationRecord* m_pConversations = nullptr;
    MessageRecord* m_pMessages = nullptr;
    SmsAux* m_pSmsAux = nullptr;

    // Deleted records, in the engine's order.
    DeletedContactList m_vecDeletedContacts;
    DeletedSmsList m_vecDeletedSms;

    // The load passes. Counting lists the database (once per scan) and adds the category's
    // records, live and deleted, to the control's total; loading walks what counting
    // listed, checks every record and makes the deleted ones. Both return the number of
    // records, 0 when there is nothing, -1 when stopped.
    int LoadContacts(WorkerControl& control, bool countOnly);
    int LoadMessages(WorkerControl& control, bool countOnly);

    // Every record of a category takes the check state (live, deleted, the aux list).
    void CheckAll(Category category, bool checked);

    // What the boards read for one record, live or deleted.
    const std::vector<const ContactDataRow*>& DataRowsOf(const ContactRecord& record) const;
    const MimetypeEntry* MimetypesOf(const ContactRecord& record) const;
    const std::vector<const MessageRecord*>& MessagesOf(const ConversationRecord& record) const;

    // The lookups over the live lists (built as each category is loaded).
    const RecordIndex& Index() const { return m_index; }

    // What the exporter reads.
    ExportModel ExportView() const;

private:
    std::shared_ptr<RecsiftLibrary> m_library;
    RecordIndex m_index;
    bool m_bContactsListed = false;
    bool m_bMessagesListed = false;
    const std::vector<const ContactDataRow*> m_noRows;
    const std::vector<const MessageRecord*> m_noMessages;

    void ListContacts();
    void ListMessages();
    const DeletedContact* DeletedOf(const ContactRecord& record) const;
    const DeletedSms* DeletedOf(const ConversationRecord& record) const;
};
