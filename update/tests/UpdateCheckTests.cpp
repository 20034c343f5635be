// The update check under Wine against a web server on 127.0.0.1 (started by
// wine-update.sh): the download through WinINet and the whole worker, whose messages a
// message-only window of the test's thread counts.
//
// Arguments: --server=http://127.0.0.1:PORT (serves the files of --serve-dir),
// --closed=http://127.0.0.1:PORT (nobody listens there), --isolated=1 when the test runs
// where the only network is loopback.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "UpdateCheck.h"
#include "WindowsTestFiles.h"

namespace {

const char kOwnVersion[] = "3.0.0.3";

// The value of "--name=value" on the command line as given; "" if absent. (The shared
// testfiles::Argument turns every '/' into '\', which suits paths but not addresses.)
std::string Argument(const char* name) {
    const std::string prefix = std::string("--") + name + "=";
    for (const std::string& arg : testing::internal::GetArgvs()) {
        if (arg.compare(0, prefix.size(), prefix) == 0) return arg.substr(prefix.size());
    }
    return std::string();
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The manifest as the web site writes it, announcing `newest`.
std::string Manifest(const std::string& newest) {
    return R"({"Retrievo":[{"Version":"3.0.0.1","Nversion":")" + newest +
           R"(","Update_URL":"http://www.quillfen.example/download/Updrava.zip"}]})";
}

// Puts a file on the test server under a name of the running test, so that no test sees
// another's file; returns its address.
std::wstring Serve(const std::string& bytes, const char* suffix = ".txt") {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "-" + test->name() + suffix;
    std::ofstream(testfiles::WindowsPath(Argument("serve-dir")) + "\\" + name, std::ios::binary) << bytes;
    return Wide(Argument("server") + "/" + name);
}

// A message-only window of the test's thread that counts WM_NEW_VERSION and notes how it
// came: its parameters, whether it was sent from another thread, and whether that thread
// was still waiting for the answer.
class NotifyWindow {
public:
    NotifyWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RetrievoUpdateTestNotify";
        ::RegisterClassW(&wc);  // fails harmlessly when an earlier test registered it
        m_hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~NotifyWindow() {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
    }
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    HWND m_hWnd = nullptr;
    HANDLE m_hWorker = nullptr;  // set by RunCheck while the worker runs
    int m_nMessages = 0;
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
    bool m_bSent = false;
    bool m_bWorkerWaited = false;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<NotifyWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NEW_VERSION && self) {
            ++self->m_nMessages;
            self->m_wParam = wp;
            self->m_lParam = lp;
            self->m_bSent = ::InSendMessage() != FALSE;
            // The user takes a moment to answer; the worker must not go on meanwhile.
            ::Sleep(200);
            self->m_bWorkerWaited = ::WaitForSingleObject(self->m_hWorker, 0) == WAIT_TIMEOUT;
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
};

struct CheckOutcome {
    bool ended = false;
    DWORD exitCode = 0;
    DWORD milliseconds = 0;
};

// Handles this thread's messages until the worker ends (or `limitMs` passes).
CheckOutcome PumpUntilEnded(HANDLE worker, DWORD limitMs) {
    CheckOutcome out;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < limitMs) {
        if (::MsgWaitForMultipleObjects(1, &worker, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) {
            out.ended = true;
            break;
        }
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    out.milliseconds = ::GetTickCount() - start;
    ::GetExitCodeThread(worker, &out.exitCode);
    return out;
}

// Runs one check of `url` on a worker as StartUpdateThread does, reporting to `window`.
CheckOutcome RunCheck(const std::wstring& url, NotifyWindow& window, DWORD limitMs = 20000) {
    auto* job = new UpdateJob;
    job->hwndNotify = window.m_hWnd;
    job->ownVersion = kOwnVersion;
    job->url = url;
    HANDLE worker = ::CreateThread(nullptr, 0, UpdateThreadProc, job, CREATE_SUSPENDED, nullptr);
    if (!worker) {
        delete job;
        return CheckOutcome{};
    }
    window.m_hWorker = worker;
    ::ResumeThread(worker);
    const CheckOutcome out = PumpUntilEnded(worker, limitMs);
    if (!out.ended) ::WaitForSingleObject(worker, 30000);  // a stuck worker fails, not crashes
    window.m_hWorker = nullptr;
    ::CloseHandle(worker);
    return out;
}

bool Isolated() { return Argument("isolated") == "1"; }

class UpdateCheckTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Argument("server").empty()) << "run through wine-update.sh";
        ASSERT_FALSE(Argument("serve-dir").empty());
    }
};

// --- The download --------------------------------------------------------------------------

using FetchUpdateManifestTest = UpdateCheckTest;

TEST_F(FetchUpdateManifestTest, ReadsTheManifest) {
    const std::string manifest = Manifest("3.0.0.4");
    std::string text;
    ASSERT_TRUE(FetchUpdateManifest(Serve(manifest).c_str(), &text));
    EXPECT_EQ(text, manifest);
}

TEST_F(FetchUpdateManifestTest, ReadsOnlyTheFirst1024Bytes) {
    std::string manifest;
    for (int i = 0; manifest.size() < 3000; ++i) manifest += "line " + std::to_string(i) + "\r\n";
    std::string text;
    ASSERT_TRUE(FetchUpdateManifest(Serve(manifest).c_str(), &text));
    EXPECT_EQ(text, manifest.substr(0, 1024));
}

TEST_F(FetchUpdateManifestTest, AsksWithItsUserAgentForAnyType) {
    std::string headers;
    ASSERT_TRUE(FetchUpdateManifest(Wide(Argument("server") + "/request-headers").c_str(), &headers));
    EXPECT_NE(headers.find("User-Agent: Quillfen@Update\r\n"), std::string::npos) << headers;
    EXPECT_NE(headers.find("Accept: */*\r\n"), std::string::npos) << headers;
}

TEST_F(FetchUpdateManifestTest, FailsWithoutBytes) {
    std::string text = "stale";
    EXPECT_FALSE(FetchUpdateManifest(Serve("").c_str(), &text));
    EXPECT_EQ(text, "");
}

TEST_F(FetchUpdateManifestTest, FailsWhereNobodyListens) {
    std::string text;
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(FetchUpdateManifest(Wide(Argument("closed") + "/quillfen_update.txt").c_str(), &text));
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_FALSE(FetchUpdateManifest(L"not an address", &text));
}

// Plain HTTP is read from this computer's own addresses only (the tests' server); every other
// address must be HTTPS, as the maker's is.
TEST_F(FetchUpdateManifestTest, RefusesPlainHttpElsewhere) {
    std::string text;
    EXPECT_FALSE(FetchUpdateManifest(L"http://www.quillfen.example/download/update/quillfen_update.txt", &text));
    EXPECT_EQ(std::wstring(kUpdateManifestUrl).rfind(L"https://", 0), 0u);
}

// The machine the isolated run sees reports no network connection; the test server on
// loopback must still be reached, or none of these tests would reach it there.
TEST_F(FetchUpdateManifestTest, ReachesLoopbackWhenTheSystemReportsNoConnection) {
    if (!Isolated()) GTEST_SKIP() << "needs a network namespace with loopback only";
    DWORD state = 0;
    ASSERT_FALSE(::InternetGetConnectedState(&state, 0)) << "state " << state;
    std::string text;
    EXPECT_TRUE(FetchUpdateManifest(Serve(Manifest("3.0.0.4")).c_str(), &text));
}

// --- The whole check -------------------------------------------------------------------------

using UpdateThreadTest = UpdateCheckTest;

TEST_F(UpdateThreadTest, ANewerVersionIsSentOnceAndAwaited) {
    NotifyWindow window;
    const CheckOutcome out = RunCheck(Serve(Manifest("3.0.0.4")), window);
    ASSERT_TRUE(out.ended);
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_EQ(window.m_nMessages, 1);
    EXPECT_EQ(window.m_wParam, 1u);
    EXPECT_EQ(window.m_lParam, 0);
    EXPECT_TRUE(window.m_bSent) << "posted, not sent";
    EXPECT_TRUE(window.m_bWorkerWaited) << "the worker went on before the answer";
}

// Everything that announces nothing, or cannot be read, ends the worker without a word.
TEST_F(UpdateThreadTest, NothingToAnnounceSendsNothing) {
    const struct {
        const char* what;
        std::wstring url;
    } cases[] = {
        {"own version", Serve(Manifest(kOwnVersion), "-own.txt")},
        {"older version", Serve(Manifest("3.0.0.2"), "-older.txt")},
        {"empty Nversion", Serve(Manifest(""), "-empty-version.txt")},
        {"broken manifest", Serve(R"({"Retrievo":[{"Nversion" "3.0.0.4"}]})", "-broken.txt")},
        {"missing file (404)", Wide(Argument("server") + "/no-such-manifest.txt")},
    };
    for (const auto& c : cases) {
        NotifyWindow window;
        const CheckOutcome out = RunCheck(c.url, window);
        EXPECT_TRUE(out.ended) << c.what;
        EXPECT_EQ(out.exitCode, 1u) << c.what;
        EXPECT_EQ(window.m_nMessages, 0) << c.what;
    }
}

TEST_F(UpdateThreadTest, NoServerSendsNothingAndEndsSoon) {
    NotifyWindow window;
    const CheckOutcome out = RunCheck(Wide(Argument("closed") + "/quillfen_update.txt"), window);
    ASSERT_TRUE(out.ended);
    EXPECT_LT(out.milliseconds, 5000u);
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_EQ(window.m_nMessages, 0);
}

// A manifest longer than one read is cut by it: no longer one whole document, it announces
// nothing, wherever its entry stands.
TEST_F(UpdateThreadTest, ManifestLongerThanOneReadAnnouncesNothing) {
    const std::string notes(3000, 'n');
    NotifyWindow window;
    RunCheck(Serve(R"({"Retrievo":[{"Nversion":"3.0.0.4"}],"Notes":")" + notes + R"("})", "-early.txt"), window);
    EXPECT_EQ(window.m_nMessages, 0);
}

TEST_F(UpdateThreadTest, WindowDestroyedBeforeTheAnswerIsNotWaitedFor) {
    auto* job = new UpdateJob;
    job->hwndNotify = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::DestroyWindow(job->hwndNotify);  // a handle that was valid once
    job->ownVersion = kOwnVersion;
    job->url = Serve(Manifest("3.0.0.4"));
    HANDLE worker = ::CreateThread(nullptr, 0, UpdateThreadProc, job, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    // Not pumping messages here: a send to a live window of this thread would hang.
    EXPECT_EQ(::WaitForSingleObject(worker, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeThread(worker, &code);
    EXPECT_EQ(code, 1u);
    ::CloseHandle(worker);
}

// The real start: the maker's address. Only where the machine has nothing but loopback,
// which keeps the test off every outside network; there the check ends at once.
TEST_F(UpdateThreadTest, StartUpdateThreadRunsOneQuietCheck) {
    if (!Isolated()) GTEST_SKIP() << "would ask the outside network for the maker's host";
    NotifyWindow window;
    HANDLE worker = StartUpdateThread(window.m_hWnd, kOwnVersion);
    ASSERT_NE(worker, nullptr);
    const CheckOutcome out = PumpUntilEnded(worker, 10000);
    EXPECT_TRUE(out.ended);
    EXPECT_EQ(window.m_nMessages, 0);
    ::CloseHandle(worker);
}

}  // namespace
