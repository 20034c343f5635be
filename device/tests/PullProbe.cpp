// Runs one pull the way the main window does and reports its end, for the tests that need
// the pull to start from a program folder of their choosing (the probe is copied there and
// finds the client beside itself).
//
//   device-pull-probe CONTACTS_COPY SMS_COPY [--now]
//
// Without --now the window's older start is used (narrow paths, 5 s delay); with it, the
// start with a status of the probe's own and no delay. Exit code 0 when WM_PULL_DONE
// arrived with wParam 1 and lParam 0, 2 when it came with other parameters, 3 when it did
// not come within 90 seconds, 1 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "AdbPull.h"

namespace {

std::wstring FromAnsi(const char* text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
  wide.resize(wide.size() - 1);
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  const bool now = argc == 4 && std::strcmp(argv[3], "--now") == 0;
  if (argc != 3 && !now) {
    std::fprintf(stderr, "usage: device-pull-probe CONTACTS_COPY SMS_COPY [--now]\n");
    return 1;
  }
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  PullRequest request;
  request.notify = window;
  request.contactsCopy = FromAnsi(argv[1]);
  request.messagesCopy = FromAnsi(argv[2]);
  request.startDelayMs = now ? 0 : 5000;  // the window's own delay
  HANDLE thread = StartPullThread(request, std::make_shared<PullStatus>());
  if (thread == nullptr) return 1;
  CloseHandle(thread);
  const DWORD deadline = GetTickCount() + 90000;
  for (;;) {
    const DWORD time = GetTickCount();
    if (static_cast<LONG>(deadline - time) <= 0) return 3;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - time, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_PULL_DONE && msg.hwnd == window) {
        std::printf("WM_PULL_DONE %u %ld\n", static_cast<unsigned>(msg.wParam), static_cast<long>(msg.lParam));
        return msg.wParam == 1 && msg.lParam == 0 ? 0 : 2;
      }
      DispatchMessageA(&msg);
    }
  }
}
