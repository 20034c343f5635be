// Runs one pull the way the main window does and reports its end, for the tests that need
// the pull to start from a program folder of their choosing (the probe is copied there and
// finds the client beside itself).
//
//   device-pull-probe CONTACTS_COPY SMS_COPY
//
// Exit code 0 when WM_PULL_DONE arrived with wParam 1 and lParam 0, 2 when it came with other
// parameters, 3 when it did not come within 60 seconds, 1 on bad usage.
#include <windows.h>

#include <cstdio>

#include "AdbPull.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: device-pull-probe CONTACTS_COPY SMS_COPY\n");
    return 1;
  }
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  HANDLE thread = StartPullThread(window, argv[1], argv[2]);
  if (thread == nullptr) return 1;
  CloseHandle(thread);
  const DWORD deadline = GetTickCount() + 60000;
  for (;;) {
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(deadline - now) <= 0) return 3;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_PULL_DONE && msg.hwnd == window) {
        std::printf("WM_PULL_DONE %u %ld\n", static_cast<unsigned>(msg.wParam),
                    static_cast<long>(msg.lParam));
        return msg.wParam == 1 && msg.lParam == 0 ? 0 : 2;
      }
      DispatchMessageA(&msg);
    }
  }
}
