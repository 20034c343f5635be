#include "ScanSession.h"

#include <commctrl.h>

#include "AdbPull.h"
#include "ControlMessages.h"
#include "RecordExporter.h"

#ifndef WM_LOAD_DONE
#define WM_LOAD_DONE (WM_USER + 109)
#endif
#ifndef WM_EXPORT_DONE
#define WM_EXPORT_DONE (WM_USER + 110)
#endif

RecsiftLibrary::RecsiftLibrary() {
    std::string path = ProgramFolder() + "\\recsift.dll";
    m_module = ::LoadLibraryA(path.c_str());
    if (!m_module) return;
    listContacts = reinterpret_cast<RecsiftListContactsFn>(reinterpret_cast<void*>(
        ::GetProcAddress(m_module, MAKEINTRESOURCEA(kRecsiftListContactsOrdinal))));
    listMessages = reinterpret_cast<RecsiftListMessagesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(m_module, MAKEINTRESOURCEA(kRecsiftListMessagesOrdinal))));
}

RecsiftLibrary::~RecsiftLibrary() {
    if (m_module) ::FreeLibrary(m_module);
}

ScanSession::ScanSession(std::shared_ptr<RecsiftLibrary> library, std::string contactsDb, std::string smsDb)
    : m_strContactsDb(std::move(contactsDb)),
      m_strSmsDb(std::move(smsDb)),
      m_hPauseEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_library(std::move(library)) {}

void ScanSession::WaitWhilePaused() const {
    if (m_hPauseEvent.IsValid()) ::WaitForSingleObject(m_hPauseEvent.Get(), INFINITE);
}

void ScanSession::RequestStop() {
    m_bStop = true;
    if (m_hPauseEvent.IsValid()) ::SetEvent(m_hPauseEvent.Get());
}

void ScanSession::ShowProgress(int done, int total) {
    int percent = total > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / total) : 0;
    // Telling the bar only when the figure moves keeps a scan of 100,000 records from
    // costing 100,000 cross-thread messages; the bar shows the same.
    if (percent == m_nShownPercent) return;
    m_nShownPercent = percent;
    if (m_hwndProgress) ::SendMessageW(m_hwndProgress, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void ScanSession::CategoryLoaded(int kind, int count) const {
    if (m_hwndMain) ::SendMessageW(m_hwndMain, WM_CATEGORY_LOADED, static_cast<WPARAM>(kind), count);
}

namespace {
bool FileExists(const std::string& path) {
    return !path.empty() && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

int ScanSession::LoadContacts(bool countOnly) {
    if (!FileExists(m_strContactsDb)) return 0;
    m_pContactAux = nullptr;
    m_pContacts = nullptr;
    m_pDataRows = nullptr;
    m_pMimetypes = nullptr;
    if (m_library && m_library->listContacts)
        m_library->listContacts(m_strContactsDb.c_str(), &m_pContactAux, &m_pContacts, &m_pDataRows, &m_pMimetypes);

    // Deleted contacts count and load whether or not the phone still has live ones: the
    // user who deleted every contact is the one who needs them most.
    int result = 0;
    if (countOnly) {
        for (ContactRecord* c = m_pContacts; c; c = c->next) {
            c->checked = 1;
            ++result;
        }
        result += CountRecordLines(m_strDeletedContacts);
        m_nLoadTotal += result;
        return result;
    }

    for (ContactRecord* c = m_pContacts; c; c = c->next) {
        WaitWhilePaused();
        if (m_bStop) {
            if (result > 0) CategoryLoaded(0, result);
            return -1;
        }
        c->checked = 1;
        ++result;
        ShowProgress(++m_nDone, m_nLoadTotal);
    }
    if (!m_strDeletedContacts.empty()) {
        std::vector<std::string> lines = SplitRecordLines(m_strDeletedContacts);
        for (size_t i = 0; i < lines.size(); ++i) {
            m_vecDeletedContacts.push_back(MakeDeletedContact(static_cast<int>(i), std::move(lines[i])));
            ++result;
            ShowProgress(++m_nDone, m_nLoadTotal);
        }
    }
    if (result > 0) CategoryLoaded(0, result);
    return result;
}

int ScanSession::LoadMessages(bool countOnly) {
    if (!FileExists(m_strSmsDb)) return 0;
    m_pConversations = nullptr;
    m_pMessages = nullptr;
    m_pSmsAux = nullptr;
    if (m_library && m_library->listMessages)
        m_library->listMessages(m_strSmsDb.c_str(), &m_pConversations, &m_pMessages, &m_pSmsAux);

    int result = 0;
    if (countOnly) {
        for (ConversationRecord* c = m_pConversations; c; c = c->next) {
            c->checked = 1;
            ++result;
        }
        result += CountRecordLines(m_strDeletedSms);
        m_nLoadTotal += result;
        return result;
    }

    WaitWhilePaused();
    for (ConversationRecord* c = m_pConversations; c; c = c->next) {
        if (m_bStop) {
            if (result > 0) CategoryLoaded(1, result);
            return -1;
        }
        c->checked = 1;
        ++result;
        ShowProgress(++m_nDone, m_nLoadTotal);
    }
    if (!m_strDeletedSms.empty()) {
        std::vector<std::string> lines = SplitRecordLines(m_strDeletedSms);
        for (size_t i = 0; i < lines.size(); ++i) {
            m_vecDeletedSms.push_back(MakeDeletedSms(static_cast<int>(i), std::move(lines[i])));
            ++result;
            ShowProgress(++m_nDone, m_nLoadTotal);
        }
    }
    if (result > 0) CategoryLoaded(1, result);
    return result;
}

void ScanSession::BuildIndex() {
    m_index.Clear();
    m_index.BuildContacts(m_pContacts, m_pDataRows, m_pMimetypes);
    m_index.BuildMessages(m_pMessages, m_pContacts);
}

ExportModel ScanSession::ExportView() const {
    ExportModel model;
    model.contacts = m_pContacts;
    model.dataRows = m_pDataRows;
    model.mimetypes = m_pMimetypes;
    model.conversations = m_pConversations;
    model.messages = m_pMessages;
    model.deletedContacts = &m_vecDeletedContacts;
    model.deletedSms = &m_vecDeletedSms;
    model.deletedContactsText = &m_strDeletedContacts;
    model.deletedSmsText = &m_strDeletedSms;
    model.index = &m_index;
    return model;
}

DWORD WINAPI LoadThreadProc(LPVOID param) {
    std::unique_ptr<std::shared_ptr<ScanSession>> holder(static_cast<std::shared_ptr<ScanSession>*>(param));
    ScanSession& session = **holder;

    int contacts = session.LoadContacts(true);
    int messages = session.LoadMessages(true);
    HWND main = session.m_hwndMain;
    if (main) ::PostMessageW(main, WM_LOAD_COUNTED, 0, 0);
    int loaded = 0;
    if (contacts != 0) loaded = session.LoadContacts(false);
    if (loaded != -1 && messages != 0) session.LoadMessages(false);
    if (main) ::PostMessageW(main, WM_LOAD_DONE, 0, 0);
    return 1;
}

namespace {
// Pause, stop and progress of an export, as the exporter asks for them.
class SessionExportControl : public ExportControl {
public:
    explicit SessionExportControl(ScanSession& session) : m_session(session) {}
    void WaitWhilePaused() override { m_session.WaitWhilePaused(); }
    bool StopRequested() override { return m_session.m_bStop; }
    void RecordDone(int done) override {
        m_session.m_nDone = done;
        m_session.ShowProgress(done, m_session.m_nExportTotal);
    }

private:
    ScanSession& m_session;
};
}  // namespace

DWORD WINAPI ExportThreadProc(LPVOID param) {
    std::unique_ptr<ExportJob> job(static_cast<ExportJob*>(param));
    ScanSession& session = *job->session;

    ExportModel model = session.ExportView();

    SessionExportControl control(session);
    RecordExporter exporter(model, control, job->saveDir);
    int result = 0;
    if (job->exportContacts) result = exporter.ExportContacts(job->contactsLabel, job->contactsNodeChecked);
    if (result != -1 && job->exportMessages) exporter.ExportMessages(job->messageLabel, job->messageNodeChecked);

    session.m_nDone = exporter.Done();
    session.m_nWritten = exporter.Written();
    session.m_bWriteFailed = exporter.AnyWriteFailed();
    if (session.m_hwndMain) ::PostMessageW(session.m_hwndMain, WM_EXPORT_DONE, 0, 0);
    return 1;
}

bool StartWorker(LPTHREAD_START_ROUTINE proc, void* param) {
    HANDLE thread = ::CreateThread(nullptr, 0, proc, param, 0, nullptr);
    if (!thread) return false;
    ::CloseHandle(thread);
    return true;
}
