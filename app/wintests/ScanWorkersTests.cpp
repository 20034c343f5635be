// The scan's workers and its private folder under Wine, with the real recsift.dll beside
// the test: what the load and export workers build and tell the window, that a worker never
// needs the window it reports to, and that a scan folder is new, private and removed whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../../recordlib/tests/AndroidFixtures.h"
#include "ScanFolder.h"
#include "ScanWorkers.h"
#include "WindowMessages.h"
#include "WindowsTestFiles.h"

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
        wc.lpszClassName = L"ScanWorkersTestRecorder";
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
    void Forget() { m_messages.clear(); }
    bool Received(UINT msg) const {
        for (const Message& m : m_messages)
            if (m.msg == msg) return true;
        return false;
    }
    int CategoryCount(Category category) const {
        for (const Message& m : m_messages)
            if (m.msg == WM_CATEGORY_LOADED && m.wp == static_cast<WPARAM>(category)) return static_cast<int>(m.lp);
        return -1;
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

engine::RecoveredContact Person(const char* name, const char* number) {
    engine::RecoveredContact person;
    person.name = name;
    engine::RecoveredContactValue value;
    value.mimetype = "vnd.android.cursor.item/phone_v2";
    value.value = number;
    value.typeCode = 2;
    person.values.push_back(value);
    return person;
}

class ScanWorkersTest : public testing::Test {
protected:
    TempFolder m_folder{"scan"};
    Recorder m_window;
    std::shared_ptr<RecsiftLibrary> m_library = std::make_shared<RecsiftLibrary>();
    std::shared_ptr<WorkerControl> m_control = std::make_shared<WorkerControl>();

    void SetUp() override { m_control->m_hwndMain = m_window.hwnd(); }

    std::shared_ptr<ScanResults> NewResults(const std::string& contactsDb, const std::string& smsDb) {
        return std::make_shared<ScanResults>(m_library, contactsDb, smsDb);
    }
    // A database the library opens but finds no records in: every row of it was deleted.
    std::string EmptiedDb(const char* name) {
        std::string path = m_folder.file(name);
        fixtures::WriteDb(path, "CREATE TABLE android_metadata (locale TEXT);");
        return path;
    }
};

TEST_F(ScanWorkersTest, LibraryIsFoundBesideTheProgram) {
    ASSERT_NE(nullptr, m_library->listContacts);
    ASSERT_NE(nullptr, m_library->listMessages);
}

// A phone whose every contact and message was deleted still shows what the engine found;
// a missing copy gives nothing for its category, whatever the engine found.
TEST_F(ScanWorkersTest, DeletedRecordsLoadWithoutAnyLiveRecordButNotWithoutTheirCopy) {
    auto results = NewResults(EmptiedDb("contacts2.db"), EmptiedDb("mmssms.db"));
    results->m_recoveredContacts = {Person("Ann", "0161 555 0142"), Person("", "+44 20 7946 0018")};
    results->m_recoveredSms.resize(1);
    results->m_recoveredSms[0].body = "See you at 8";

    EXPECT_EQ(2, results->LoadContacts(*m_control, true));
    EXPECT_EQ(1, results->LoadMessages(*m_control, true));
    EXPECT_EQ(3, m_control->m_nTotal.load());
    EXPECT_EQ(2, results->LoadContacts(*m_control, false));
    EXPECT_EQ(1, results->LoadMessages(*m_control, false));
    ASSERT_EQ(2u, results->m_vecDeletedContacts.size());
    const ContactRecord& unnamed = results->m_vecDeletedContacts[1]->record;
    EXPECT_EQ(1, unnamed.contactKey);
    EXPECT_EQ(1u, unnamed.deleted);
    EXPECT_STREQ("N/A", unnamed.displayName);
    ASSERT_EQ(1u, results->DataRowsOf(unnamed).size());
    EXPECT_STREQ("+44 20 7946 0018", results->DataRowsOf(unnamed)[0]->data1);
    EXPECT_EQ(2, m_window.CategoryCount(Category::kContacts));
    EXPECT_EQ(1, m_window.CategoryCount(Category::kMessages));

    auto absent = NewResults(m_folder.file("absent-contacts2.db"), m_folder.file("absent-mmssms.db"));
    absent->m_recoveredContacts = {Person("Ann", "0161")};
    EXPECT_EQ(0, absent->LoadContacts(*m_control, true));
    EXPECT_EQ(0, absent->LoadContacts(*m_control, false));
    EXPECT_TRUE(absent->m_vecDeletedContacts.empty());
}

// Live contacts come checked, and a category shown while the other still loads has its
// lookups: the Phone column of a live contact is there as soon as its category is loaded.
TEST_F(ScanWorkersTest, LiveRecordsComeCheckedWithTheirLookupsBuilt) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto results = NewResults(contacts, m_folder.file("absent.db"));
    const int counted = results->LoadContacts(*m_control, true);
    ASSERT_GT(counted, 0);
    EXPECT_EQ(counted, results->LoadContacts(*m_control, false));
    bool anyRows = false;
    for (const ContactRecord* c = results->m_pContacts; c; c = c->next) {
        EXPECT_EQ(1u, c->checked);
        anyRows = anyRows || !results->DataRowsOf(*c).empty();
    }
    EXPECT_TRUE(anyRows);
}

TEST_F(ScanWorkersTest, StopEndsTheLivePassAndKeepsWhatWasLoaded) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto results = NewResults(contacts, m_folder.file("absent.db"));
    results->m_recoveredContacts = {Person("Ann", "0161")};
    ASSERT_GT(results->LoadContacts(*m_control, true), 0);
    m_control->RequestStop();
    EXPECT_EQ(-1, results->LoadContacts(*m_control, false));
    EXPECT_TRUE(results->m_vecDeletedContacts.empty());
    EXPECT_FALSE(m_window.Received(WM_CATEGORY_LOADED));  // nothing loaded, no label
}

// The worker counts, tells the window, then waits while paused; it ends once resumed.
// Closing the window meanwhile: the worker keeps the results, ends, and frees them.
TEST_F(ScanWorkersTest, LoadWorkerWaitsWhilePausedAndOutlivesTheWindow) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto results = NewResults(contacts, m_folder.file("absent.db"));
    m_control->Pause();
    winframe::CHandle worker = StartLoadWorker(results, m_control);
    ASSERT_TRUE(worker.IsValid());
    EXPECT_TRUE(m_window.WaitFor(WM_LOAD_COUNTED, 5000));
    EXPECT_FALSE(m_window.WaitFor(WM_LOAD_DONE, 400));

    std::weak_ptr<ScanResults> watch = results;
    m_control->RequestStop();
    results.reset();
    m_window.Destroy();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(worker.Get(), 5000));
    EXPECT_TRUE(watch.expired());
}

// The export worker reports its outcome: every record written, or a failure that the
// window must not report as success.
TEST_F(ScanWorkersTest, ExportWorkerReportsWrittenRecordsAndFailures) {
    auto results = NewResults(EmptiedDb("contacts2.db"), EmptiedDb("mmssms.db"));
    results->m_recoveredContacts = {Person("Ann", "0161"), Person("Bob", "0162")};
    ASSERT_EQ(2, results->LoadContacts(*m_control, true));
    ASSERT_EQ(2, results->LoadContacts(*m_control, false));

    auto run = [&](const std::string& saveDir) {
        ExportJob job;
        job.saveDir = std::wstring(saveDir.begin(), saveDir.end());
        job.contactsLabel = L"Contacts (2)";
        job.contactsNodeChecked = true;
        job.exportContacts = true;
        m_control->Reset(2);
        auto outcome = std::make_shared<ExportOutcome>();
        m_window.Forget();
        winframe::CHandle worker = StartExportWorker(job, results, m_control, outcome);
        EXPECT_TRUE(worker.IsValid());
        EXPECT_TRUE(m_window.WaitFor(WM_EXPORT_DONE, 10000));
        return outcome;
    };

    auto written = run(m_folder.path());
    EXPECT_EQ(2, written->written);
    EXPECT_FALSE(written->writeFailed);
    EXPECT_FALSE(testfiles::ReadFile(m_folder.file("Contacts (2)\\contacts.txt")).empty());

    // A save folder below a file cannot be made: nothing is written, and it is said so.
    std::string blocker = m_folder.file("a-file");
    { std::ofstream(blocker) << "x"; }
    auto failed = run(blocker + "\\Retrievo");
    EXPECT_EQ(0, failed->written);
    EXPECT_TRUE(failed->writeFailed);
}

// The export worker waits while paused, goes on when resumed, and a stop ends it early and
// is reported as such, with the records written so far.
TEST_F(ScanWorkersTest, ExportWorkerPausesAndStops) {
    std::string contacts = m_folder.file("contacts2.db");
    fixtures::WriteContactsDb(contacts);
    auto results = NewResults(contacts, m_folder.file("absent.db"));
    const int total = results->LoadContacts(*m_control, true);
    ASSERT_EQ(total, results->LoadContacts(*m_control, false));
    ASSERT_GT(total, 1);

    ExportJob job;
    job.contactsLabel = L"Contacts";
    job.contactsNodeChecked = true;
    job.exportContacts = true;
    auto start = [&](const char* folder) {
        const std::string path = m_folder.file(folder);
        ::CreateDirectoryA(path.c_str(), nullptr);
        job.saveDir = std::wstring(path.begin(), path.end());
        m_control->Reset(total);
        m_window.Forget();
        return std::make_shared<ExportOutcome>();
    };

    auto paused = start("paused");
    m_control->Pause();
    winframe::CHandle worker = StartExportWorker(job, results, m_control, paused);
    EXPECT_FALSE(m_window.WaitFor(WM_EXPORT_DONE, 500)) << "a paused export goes on";
    m_control->Resume();
    EXPECT_TRUE(m_window.WaitFor(WM_EXPORT_DONE, 10000));
    EXPECT_FALSE(paused->stopped);
    EXPECT_EQ(total, paused->written);

    auto stopped = start("stopped");
    m_control->Pause();
    worker = StartExportWorker(job, results, m_control, stopped);
    m_control->RequestStop();
    EXPECT_TRUE(m_window.WaitFor(WM_EXPORT_DONE, 10000));
    EXPECT_TRUE(stopped->stopped);
    EXPECT_LT(stopped->written, total);
}

// --- The scan folder -----------------------------------------------------------------------

std::wstring Wide(const std::string& narrow) { return std::wstring(narrow.begin(), narrow.end()); }

// Each scan's folder is new (a second one beside it gets another name), and removing it
// deletes the copies the program put there, leaves whatever else is found, and removes the
// folder only when nothing is left.
TEST(ScanFolder, NewEachTimeAndRemovesOnlyItsOwnFiles) {
    TempFolder base{"scanfolders"};
    ScanFolder first, second;
    std::wstring error;
    ASSERT_TRUE(first.Create(error, Wide(base.path()))) << std::string(error.begin(), error.end());
    ASSERT_TRUE(second.Create(error, Wide(base.path())));
    EXPECT_NE(first.Path(), second.Path());
    EXPECT_TRUE(IsPlainFolder(first.Path()));

    { std::ofstream(first.FilePath("contacts2.db")) << "copy"; }
    { std::ofstream(first.FilePath("mmssms.db-wal")) << "log"; }
    const std::wstring firstPath = first.Path();
    EXPECT_TRUE(first.Remove());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(firstPath.c_str()));

    { std::ofstream(second.FilePath("contacts2.db")) << "copy"; }
    { std::ofstream(second.FilePath("notes.txt")) << "somebody else's"; }
    const std::wstring secondPath = second.Path();
    EXPECT_FALSE(second.Remove());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((secondPath + L"\\contacts2.db").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((secondPath + L"\\notes.txt").c_str()));
}

// The real place: below the user's local application data, never at a drive root.
TEST(ScanFolder, LivesInTheLocalApplicationData) {
    ScanFolder folder;
    std::wstring error;
    ASSERT_TRUE(folder.Create(error)) << std::string(error.begin(), error.end());
    EXPECT_NE(std::wstring::npos, folder.Path().find(L"\\Quillfen Retrievo\\scan-"));
    EXPECT_GT(folder.Path().size(), 3u + std::wcslen(L"Quillfen Retrievo"));
    EXPECT_TRUE(folder.Remove());
}

// A database file is copied in as itself; a copy never lands on an existing file.
TEST(ScanFolder, CopiesInAsNewFiles) {
    TempFolder base{"scancopy"};
    const std::string source = base.file("mmssms.db");
    { std::ofstream(source, std::ios::binary) << std::string(3 << 20, 'x'); }
    ScanFolder folder;
    std::wstring error;
    ASSERT_TRUE(folder.Create(error, Wide(base.path())));
    ASSERT_TRUE(folder.CopyIn(Wide(source), "mmssms.db", error));
    EXPECT_EQ(testfiles::ReadFile(source), testfiles::ReadFile(folder.FilePath("mmssms.db")));
    EXPECT_FALSE(folder.CopyIn(Wide(source), "mmssms.db", error)) << "an existing copy is never overwritten";
    EXPECT_FALSE(folder.CopyIn(Wide(base.path()), "contacts2.db", error)) << "a folder is no database";
}

}  // namespace
