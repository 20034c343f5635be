// RecordExporter: writes the checked records of the model into UTF-16 text files below the
// export folder, one sub-folder per category:
//   <category folder>\contacts.txt                 every checked contact, then the deleted ones
//   <category folder>\<conversation name>.txt     one per checked conversation (same names append)
//   <category folder>\deleted.txt                 the deleted messages
// Every line goes through TkTxtFile (opened and closed per line).
//
// Unlike a plain "best effort" writer it keeps the account the user is shown: a record
// counts as written only when every line it gave was written, and any failed folder or
// line is remembered so the window can warn instead of reporting success. Characters that
// Windows does not allow in file names are replaced, so no conversation loses its file.
//
// The exporter runs on the export worker; the window's thread may change checked flags
// meanwhile (a change reaches the files only if the worker has not passed that record).
#pragma once

#include <string>

#include "ContactTypes.h"
#include "DeletedRecords.h"
#include "TkTxtFile.h"
#include "RecordIndex.h"
#include "RecordModel.h"

// What the exporter reads; all pointers belong to the window and outlive the export. Any of
// them may be null: a null list is empty, a null text is empty, and without an index the
// exporter builds its own over the lists.
struct ExportModel {
    const ContactRecord* contacts = nullptr;
    const ContactDataRow* dataRows = nullptr;
    const MimetypeEntry* mimetypes = nullptr;
    const ConversationRecord* conversations = nullptr;
    const MessageRecord* messages = nullptr;
    const DeletedContactList* deletedContacts = nullptr;
    const DeletedSmsList* deletedSms = nullptr;
    const std::string* deletedContactsText = nullptr;  // the engine's texts
    const std::string* deletedSmsText = nullptr;
    const RecordIndex* index = nullptr;                 // built over the same lists
};

// How the worker meets the window: pause, stop and progress.
class ExportControl {
public:
    virtual ~ExportControl() = default;
    virtual void WaitWhilePaused() = 0;     // blocks while the user has paused
    virtual bool StopRequested() = 0;
    virtual void RecordDone(int done) = 0;  // `done` records handled so far, all categories
};

// Name of a category's sub-folder: the tree label unchanged when the node is checked,
// otherwise the label cut before its first "(" followed by "(N)" with N checked records.
std::wstring CategoryFolderName(const std::wstring& label, bool nodeChecked, int checkedCount);
// A file name made safe for Windows: \ / : * ? " < > | and control characters become "_",
// and a name that Windows reserves for a device (CON, NUL, COM1, ...; with or without an
// extension, in any case) gets a leading "_". An empty name stays empty.
std::wstring SafeFileName(const std::wstring& name);
// Labels of the type codes of e-mail rows in the export; other codes give "" (the phone
// labels and TypeCode are in ContactTypes.h).
const wchar_t* EmailTypeLabel(int code);

class RecordExporter {
public:
    // The model is copied (it is only pointers); what it points to must outlive the export.
    RecordExporter(const ExportModel& model, ExportControl& control, std::wstring saveDir);
    RecordExporter(const RecordExporter&) = delete;
    RecordExporter& operator=(const RecordExporter&) = delete;

    // Number of checked records of the category (live + deleted) as the export counts them.
    int CountCheckedContacts() const;
    int CountCheckedMessages() const;

    // Each returns the number of checked records of its category (0 = nothing to do, no
    // folder made), or -1 when stopped during the live records. `label` is the category
    // node's tree label, `nodeChecked` its check state.
    int ExportContacts(const std::wstring& label, bool nodeChecked);
    int ExportMessages(const std::wstring& label, bool nodeChecked);

    // Records handled (progress) and records whose every line reached its file.
    int Done() const { return m_nDone; }
    int Written() const { return m_nWritten; }
    // Whether any folder or line could not be written.
    bool AnyWriteFailed() const { return m_bWriteFailed; }

    // The name under which a conversation is exported (before SafeFileName) and that its
    // received messages carry. The list's Name column follows another rule (ListText.h).
    std::wstring ConversationExportName(const ConversationRecord& conversation) const;

private:
    const ExportModel m_model;
    RecordIndex m_ownIndex;        // built only when the model brings no index
    const RecordIndex& m_index;
    ExportControl& m_control;
    std::wstring m_strSaveDir;
    int m_nDone = 0;
    int m_nWritten = 0;
    int m_nNoName = 0;  // "No Name%d" counter, from 0 for each export
    bool m_bWriteFailed = false;

    bool MakeFolder(const std::wstring& path);
    bool Write(TkTxtFile& file, const std::wstring& line);
    bool WriteContact(TkTxtFile& file, const ContactRecord& contact);
    bool WriteDeletedContact(TkTxtFile& file, const DeletedContact& contact);
    bool WriteConversation(const std::wstring& folder, const ConversationRecord& conversation);
    // Counts one handled record (and whether all its lines were written) and reports progress.
    void RecordHandled(bool allLinesWritten);
};
