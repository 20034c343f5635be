// ScanSession: the results of one scan and everything a worker thread shares with the main
// window while it loads or exports them: the live lists of the record-listing library, the
// engine's two texts, the deleted records made from them, the pause event, the stop flag
// and the progress counters.
//
// The window and each worker hold the session through a shared pointer. Closing the window
// (or going back for a reload) only drops the window's reference and asks the worker to
// stop; a worker that is still running keeps the session, and so its records, alive until
// it ends. Workers reach the window only by sending or posting messages to window handles,
// which fail harmlessly once the window is gone: no worker ever touches a destroyed window
// or freed records.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "DeletedRecords.h"
#include "Handles.h"
#include "RecordExporter.h"
#include "RecordIndex.h"
#include "RecordModel.h"

// Sent by the load worker to the main window when a category's load pass has ended with
// records: wParam = category kind (0 contacts, 1 messages), lParam = number of records.
#define WM_CATEGORY_LOADED (WM_USER + 113)
// Posted by the load worker when the count passes are done: the pause and stop buttons
// appear.
#define WM_LOAD_COUNTED (WM_USER + 114)

// recsift.dll, loaded once from the program folder; both entry points are taken by ordinal.
class RecsiftLibrary {
public:
    RecsiftLibrary();
    ~RecsiftLibrary();
    RecsiftLibrary(const RecsiftLibrary&) = delete;
    RecsiftLibrary& operator=(const RecsiftLibrary&) = delete;

    RecsiftListContactsFn listContacts = nullptr;  // ordinal 1
    RecsiftListMessagesFn listMessages = nullptr;  // ordinal 3

private:
    HMODULE m_module = nullptr;
};

class ScanSession {
public:
    ScanSession(std::shared_ptr<RecsiftLibrary> library, std::string contactsDb, std::string smsDb);
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Window handles the workers report to; set by the window before a worker starts.
    HWND m_hwndMain = nullptr;
    HWND m_hwndProgress = nullptr;

    // Database copies and the engine's texts.
    std::string m_strContactsDb;
    std::string m_strSmsDb;
    std::string m_strDeletedContacts;
    std::string m_strDeletedSms;

    // The library's lists (its own memory; only the checked flags are written).
    ContactAux* m_pContactAux = nullptr;
    ContactRecord* m_pContacts = nullptr;
    ContactDataRow* m_pDataRows = nullptr;
    MimetypeEntry* m_pMimetypes = nullptr;
    ConversationRecord* m_pConversations = nullptr;
    MessageRecord* m_pMessages = nullptr;
    SmsAux* m_pSmsAux = nullptr;

    // Deleted records, in text order.
    DeletedContactList m_vecDeletedContacts;
    DeletedSmsList m_vecDeletedSms;

    // Lookups over the lists, built by the window when loading has ended.
    RecordIndex m_index;

    // Signalled = workers may run; reset = paused.
    winframe::CHandle m_hPauseEvent;
    std::atomic<bool> m_bStop{false};

    // Progress: records counted for loading, records handled, records to export.
    std::atomic<int> m_nLoadTotal{0};
    std::atomic<int> m_nDone{0};
    std::atomic<int> m_nExportTotal{0};
    // The outcome of the latest export.
    std::atomic<int> m_nWritten{0};
    std::atomic<bool> m_bWriteFailed{false};

    // Blocks while the session is paused; returns at once once it is stopped or closed.
    void WaitWhilePaused() const;
    // Asks any worker to end: sets the stop flag and releases a paused worker.
    void RequestStop();
    // Sets the progress bar to `done` of `total` (only when the percentage moves).
    void ShowProgress(int done, int total);
    // Forgets the figure last shown, before a new worker starts.
    void ResetProgress() { m_nShownPercent = -1; }

    // The load passes: with `countOnly` they add up m_nLoadTotal and return the count;
    // otherwise they load (deleted records included) and return the number loaded, 0 when
    // there is nothing, -1 when stopped.
    int LoadContacts(bool countOnly);
    int LoadMessages(bool countOnly);

    // Rebuilds m_index over the current lists.
    void BuildIndex();

    // What the exporter reads: the lists, the deleted records, the texts and the index.
    ExportModel ExportView() const;

private:
    std::shared_ptr<RecsiftLibrary> m_library;
    int m_nShownPercent = -1;

    void CategoryLoaded(int kind, int count) const;
};

// The load worker: count passes, then load passes, then WM_LOAD_DONE to the window.
// `param` is a std::shared_ptr<ScanSession>* allocated with new; the worker frees it.
DWORD WINAPI LoadThreadProc(LPVOID param);

// What one export needs; ExportThreadProc takes ownership of a job allocated with new.
struct ExportJob {
    std::shared_ptr<ScanSession> session;
    std::wstring saveDir;
    std::wstring contactsLabel;
    std::wstring messageLabel;
    bool contactsNodeChecked = false;
    bool messageNodeChecked = false;
    bool exportContacts = false;  // the category node's count is not 0
    bool exportMessages = false;
};

// The export worker: contacts, then messages, then WM_EXPORT_DONE to the window.
DWORD WINAPI ExportThreadProc(LPVOID param);

// Starts a worker thread; the handle is closed at once (it only tells that a worker was
// started). Returns whether the thread was started.
bool StartWorker(LPTHREAD_START_ROUTINE proc, void* param);
