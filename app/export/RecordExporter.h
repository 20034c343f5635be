// RecordExporter: writes the checked records of the model, live and deleted, in the formats
// the user chose, into the export folder (made by CreateExportFolder):
//   <category folder>/contacts.txt, <conversation>.txt, deleted.txt   text (TextExport)
//   contacts.vcf                                                      vCard (VCardExport)
//   sms.xml                                                           SMS backup (SmsXmlExport)
//   contacts.csv, messages.csv                                        CSV (CsvExport)
//   report.html                                                       HTML (HtmlReport)
// The records are walked once: each checked record goes to every chosen format. Every file is
// made new and written through one open handle with a buffer; a record counts as written only
// when every byte it gave reached every file it went to, and any folder or file that could not
// be made or written is remembered, so that the window warns instead of reporting success.
//
// How it works with threads: the exporter runs on the export worker; the window's thread may
// change checked flags meanwhile (a change reaches the files only if the worker has not passed
// that record) and answers pause and stop through ExportControl.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ContactTypes.h"
#include "DeletedRecords.h"
#include "ExportFolder.h"
#include "ExportFormats.h"
#include "ExportSink.h"
#include "RecordIndex.h"
#include "RecordModel.h"
#include "RecordViews.h"
#include "TextExport.h"
#include "WriteLedger.h"

// What the exporter reads; all pointers belong to the window and outlive the export. Any of
// them may be null: a null list is empty, and without an index the exporter builds its own
// over the lists. Deleted records are read through their typed engine records only.
struct ExportModel {
    const ContactRecord* contacts = nullptr;
    const ContactDataRow* dataRows = nullptr;
    const MimetypeEntry* mimetypes = nullptr;
    const ConversationRecord* conversations = nullptr;
    const MessageRecord* messages = nullptr;
    const DeletedContactList* deletedContacts = nullptr;
    const DeletedSmsList* deletedSms = nullptr;
    // No longer read: deleted records come from the typed records. Kept until the window
    // stops setting them.
    const std::string* deletedContactsText = nullptr;
    const std::string* deletedSmsText = nullptr;
    const RecordIndex* index = nullptr;  // built over the same lists
};

// How the worker meets the window: pause, stop and progress.
class ExportControl {
public:
    virtual ~ExportControl() = default;
    virtual void WaitWhilePaused() = 0;     // blocks while the user has paused
    virtual bool StopRequested() = 0;
    virtual void RecordDone(int done) = 0;  // `done` records handled so far, all categories
};

class RecordExporter {
public:
    // The model is copied (it is only pointers); what it points to must outlive the export.
    // `saveDir` is the export folder; nothing is made in it before the first category.
    RecordExporter(const ExportModel& model, ExportControl& control, std::wstring saveDir,
                   ExportFormats formats = ExportFormats());
    // Finishes the export if Finish was not called.
    ~RecordExporter();
    RecordExporter(const RecordExporter&) = delete;
    RecordExporter& operator=(const RecordExporter&) = delete;

    // Number of checked records of the category (live + deleted) as the export counts them.
    int CountCheckedContacts() const;
    int CountCheckedMessages() const;

    // Each returns the number of checked records of its category (0 = nothing to do, nothing
    // made), or -1 when stopped during the live records (the files are completed and closed
    // all the same). `label` is the category node's tree label, `nodeChecked` its check state.
    int ExportContacts(const std::wstring& label, bool nodeChecked);
    int ExportMessages(const std::wstring& label, bool nodeChecked);
    // Completes and closes the files that span both categories (report.html). Call it after
    // the last category, stopped or not; Written and AnyWriteFailed are final after it.
    void Finish();

    // Records handled (progress) and records whose every byte reached every file it went to.
    int Done() const { return m_nDone; }
    int Written() const { return m_ledger.Written(); }
    // Whether any folder or file could not be made or written.
    bool AnyWriteFailed() const;
    // The first failure, as one sentence naming the folder or file and the system's reason;
    // empty when nothing failed.
    std::wstring FirstProblem() const;

    // The name under which a conversation is exported (before its file name is made safe)
    // and that its received messages carry. The list's Name column follows another rule
    // (ListText.h).
    std::wstring ConversationExportName(const ConversationRecord& conversation) const;

private:
    const ExportModel m_model;
    RecordIndex m_ownIndex;  // built only when the model brings no index
    const RecordIndex& m_index;
    RecordViews m_views;
    ExportControl& m_control;
    ExportFolder m_folder;
    std::vector<std::unique_ptr<ExportSink>> m_sinks;  // one per chosen format
    WriteLedger m_ledger;
    int m_nDone = 0;
    bool m_bFinished = false;

    bool HasDeletedContacts() const;
    bool HasDeletedSms() const;
    // Counts one handled record and reports progress.
    void RecordHandled();
};
