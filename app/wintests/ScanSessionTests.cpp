// The scan session under Wine with the real recsift.dll beside the test: what the load and
// export workers build, what they tell the window, and that a worker never needs the
// window it reports to.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../../recordlib/tests/AndroidFixtures.h"
#include "ScanSession.h"
#include "WindowsTestFiles.h"

#ifndef WM_LOAD_DONE
#define WM_LOAD_DONE (WM_USER + 109)
#endif
#ifndef WM_EXPORT_DONE
#define WM_EXPORT_DONE (WM_USER + 110)
#endif

namespace {

using testfiles::TempFolder;

// A hidden window standing in for the main window: it records the messages of the workers.
class Recorder {
public:
    struct Message {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };

    Recorder() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Recorder::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ScanSessionTestRecorder";
        ::RegisterClassW(&wc);
        m_hwnd = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Recorder() { Destroy(); }
    void Destroy() {
        if (m_hwnd) ::DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }

    HWND hwnd() const { return m_hwnd; }
    const std::vector<Message>& messages() const { return m_messages; }
    void Forget() { m_messages.clear(); }
    bool Received(UINT msg) const {
        for (const Message& m : m_messages)
            if (m.msg == msg) return true;
        return false;
    }
    // Pumps messages until `msg` has arrived or the time is up.
    bool WaitFor(UINT msg, DWORD timeoutMs) {
        DWORD start = ::GetTickCount();
        while (!Received(msg)) {
            if (::GetTickCount() - start > timeoutMs) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG m;
            while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
        }
        return true;
    }

private:
    HWND m_hwnd = nullptr;
    std::vector<Message> m_messages;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Recorder*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg >= WM_USER) self->m_messages.push_back({msg, wp, lp});
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
};

class ScanSessionTest : public testing::Test {
protected:
    TempFolder m_folder{"scan"};
    Recorder m_window;
    std::shared_ptr<RecsiftLibrary> m_library = std::make_shared<RecsiftLibrary>();

    std::shared_ptr<ScanSession> NewSession(const std::string& contactsDb, const std::string& smsDb) {
        auto session = std::make_shared<ScanSession>(m_library, contactsDb, smsDb);
        session->m_hwndMain = m_window.hwnd();
        ::SetEvent(session->m_hPauseEvent.Get());
        return session;
    }
    // A database the library opens but finds no records in: every row of it was deleted.
    std::string EmptiedDb(const char* name) {
        std::string path = m_folder.file(name);
        fixtures::WriteDb(path, "CREATE TABLE android_metadata (locale TEXT);");
        return path;
    }
    int CategoryLoadedCount(int kind) const {
        for (const Recorder::Message& m : m_window.messages())
            if (m.msg == WM_CATEGORY_LOADED && static_cast<int>(m.wp) == kind) return static_cast<int>(m.lp);
        return -1;
    }
};

TEST_F(ScanSessionTest, LibraryIsFoundBesideTheProgram) {
    ASSERT_NE(nullptr, m_library->listContacts);
    ASSERT_NE(nullptr, m_library->listMessages);
}

// A phone whose every contact and message was deleted still shows what the engine found.
TEST_F(ScanSessionTest, DeletedRecordsLoadWithoutAnyLiveRecord) {
    auto session = NewSession(EmptiedDb("contacts2.db"), EmptiedDb("mmssms.db"));
    session->m_strDeletedContacts = "Ann\t0161 555 0142\r\nBob\t+44 20 7946 0018\r\n";
    session->m_strDeletedSms = "Ann\t0161 555 0142\tSee you at 8\r\n";

    EXPECT_EQ(2, session->LoadContacts(true));
    EXPECT_EQ(1, session->LoadMessages(true));
    EXPECT_EQ(3, session->m_nLoadTotal.load());
    EXPECT_EQ(nullptr, session->m_pContacts);
    EXPECT_EQ(nullptr, session->m_pConversations);

    EXPECT_EQ(2, session->LoadContacts(false));
    EXPECT_EQ(1, session->LoadMessages(false));
    ASSERT_EQ(2u, session->m_vecDeletedContacts.size());
    ASSERT_EQ(1u, session->m_vecDeletedSms.size());
    const ContactRecord& bob = session->m_vecDeletedContacts[1]->record;
    EXPECT_EQ(1, bob.contactKey);
    EXPECT_EQ(1u, bob.checked);
    EXPECT_EQ(1u, bob.deleted);
    EXPECT_STREQ("Bob\t+44 20 7946 0018", bob.displayName);
    EXPECT_STREQ("Ann\t0161 555 0142\tSee you at 8", session->m_vecDeletedSms[0]->record.deletedText);
    EXPECT_EQ(2, CategoryLoadedCount(0));  // "Contacts (2)"
    EXPECT_EQ(1, CategoryLoadedCount(1));  // "Message (1)"
}

TEST_F(ScanSessionTest, LiveRecordsComeCheckedAndCountWithTheDeletedOnes) {
    std::string contacts = m_folder.file("contacts2.db");
    std::string sms = m_folder.file("mmssms.db");
    fixtures::WriteContactsDb(contacts);
    fixtures::WriteSmsDb(sms);
    auto session = NewSession(contacts, sms);
    session->m_strDeletedContacts = "Ann\t0161\r\ntext after the last line end is not a line";

    int counted = session->LoadContacts(true);
    int live = 0;
    for (const ContactRecord* c = session->m_pContacts; c; c = c->next) ++live;
    ASSERT_GT(live, 0);
    EXPECT_EQ(live + 1, counted);
    EXPECT_EQ(counted, session->LoadContacts(false));
    for (const ContactRecord* c = session->m_pContacts; c; c = c->next) EXPECT_EQ(1u, c->checked);
    EXPECT_EQ(1u, session->m_vecDeletedContacts.size());
    EXPECT_GT(session->LoadMessages(true), 0);
}

// A missing copy gives nothing for its category, whatever the engine's text says.
TEST_F(ScanSessionTest, MissingCopyGivesNothing) {
    auto session = NewSession(m_folder.file("absent-contacts2.db"), m_folder.file("absent-mmssms.db"));
    session->m_strDeletedContacts = "Ann\t0161\r\n";
    session->m_strDeletedSms = "Ann\t0161\tHi\r\n";
    EXPECT_EQ(0, session->LoadContacts(true));
    EXPECT_EQ(0, session->LoadMessages(true));
    EXPECT_EQ(0, session->LoadContacts(false));
    EXPECT_EQ(0, session->LoadMessages(false));
    EXPECT_TRUE(session->m_vecDeletedContacts.empty());
    EXPECT_FALSE(m_window.Received(WM_CATEGORY_LOADED));
}

TEST_F(ScanSessionTest, StopEndsTheLivePassAndKeepsWhatWasLoaded) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto session = NewSession(contacts, m_folder.file("absent.db"));
    session->m_strDeletedContacts = "Ann\t0161\r\n";
    ASSERT_GT(session->LoadContacts(true), 0);
    session->RequestStop();
    EXPECT_EQ(-1, session->LoadContacts(false));
    EXPECT_TRUE(session->m_vecDeletedContacts.empty());
    EXPECT_FALSE(m_window.Received(WM_CATEGORY_LOADED));  // nothing loaded, no label
}

// The worker counts, tells the window, then waits while paused; it ends once resumed.
TEST_F(ScanSessionTest, LoadWorkerWaitsWhilePaused) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto session = NewSession(contacts, m_folder.file("absent.db"));
    ::ResetEvent(session->m_hPauseEvent.Get());
    ASSERT_TRUE(StartWorker(LoadThreadProc, new std::shared_ptr<ScanSession>(session)));

    EXPECT_TRUE(m_window.WaitFor(WM_LOAD_COUNTED, 5000));
    EXPECT_FALSE(m_window.WaitFor(WM_LOAD_DONE, 400));
    ::SetEvent(session->m_hPauseEvent.Get());
    EXPECT_TRUE(m_window.WaitFor(WM_LOAD_DONE, 5000));
    EXPECT_GT(CategoryLoadedCount(0), 0);
}

// Closing the window while a worker is paused: the window drops the session and is gone;
// the worker keeps the session, ends, and frees it.
TEST_F(ScanSessionTest, WorkerOutlivesTheWindowHarmlessly) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto session = NewSession(contacts, m_folder.file("absent.db"));
    session->m_strDeletedContacts = "Ann\t0161\r\n";
    ::ResetEvent(session->m_hPauseEvent.Get());
    std::weak_ptr<ScanSession> watch = session;
    HANDLE thread = ::CreateThread(nullptr, 0, LoadThreadProc, new std::shared_ptr<ScanSession>(session), 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_TRUE(m_window.WaitFor(WM_LOAD_COUNTED, 5000));

    session->RequestStop();
    session.reset();
    m_window.Destroy();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 5000));
    ::CloseHandle(thread);
    EXPECT_TRUE(watch.expired());
}

// The export worker reports its outcome in the session: every record written, or a
// failure that the window must not report as success.
TEST_F(ScanSessionTest, ExportWorkerReportsWrittenRecordsAndFailures) {
    auto session = NewSession(EmptiedDb("contacts2.db"), EmptiedDb("mmssms.db"));
    session->m_strDeletedContacts = "Ann\t0161\r\nBob\t0162\r\n";
    ASSERT_EQ(2, session->LoadContacts(true));
    ASSERT_EQ(2, session->LoadContacts(false));
    session->BuildIndex();

    auto run = [&](const std::string& saveDir) {
        auto* job = new ExportJob;
        job->session = session;
        job->saveDir = std::wstring(saveDir.begin(), saveDir.end());
        job->contactsLabel = L"Contacts (2)";
        job->contactsNodeChecked = true;
        job->exportContacts = true;
        session->m_nExportTotal = 2;
        m_window.Forget();
        ASSERT_TRUE(StartWorker(ExportThreadProc, job));
        ASSERT_TRUE(m_window.WaitFor(WM_EXPORT_DONE, 10000));
    };

    run(m_folder.path());
    EXPECT_EQ(2, session->m_nWritten.load());
    EXPECT_FALSE(session->m_bWriteFailed.load());
    EXPECT_FALSE(testfiles::ReadFile(m_folder.file("Contacts (2)\\contacts.txt")).empty());

    // A save folder below a file cannot be made: nothing is written, and it is said so.
    std::string blocker = m_folder.file("a-file");
    { std::ofstream(blocker) << "x"; }
    run(blocker + "\\Retrievo");
    EXPECT_EQ(0, session->m_nWritten.load());
    EXPECT_TRUE(session->m_bWriteFailed.load());
}

}  // namespace
