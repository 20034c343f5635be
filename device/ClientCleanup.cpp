// Ends left-over bridge clients of this program. A process counts only when its image is
// the very client file given (full path, compared without regard to case after both paths
// are made full and long) and it runs in this session: a client of the same name that
// another program or another user started is left alone.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "AdbPull.h"
#include "Handles.h"
#include "PhoneLink.h"

namespace {

std::wstring LongFullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  full.resize(n > 0 && n < full.size() ? n : 0);
  if (full.empty()) full = path;
  std::wstring longer(32768, L'\0');
  n = GetLongPathNameW(full.c_str(), &longer[0], static_cast<DWORD>(longer.size()));
  if (n > 0 && n < longer.size()) {
    longer.resize(n);
    return longer;
  }
  return full;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The image of a running process, made full and long; empty when it cannot be read.
std::wstring ImageOf(HANDLE process) {
  std::vector<wchar_t> image(32768);
  DWORD size = static_cast<DWORD>(image.size());
  if (!QueryFullProcessImageNameW(process, 0, image.data(), &size)) return std::wstring();
  return LongFullPath(std::wstring(image.data(), size));
}

}  // namespace

bool KillClientProcesses(const std::wstring& clientPath) {
  const std::wstring wanted = LongFullPath(clientPath);
  const std::wstring wantedName = FileNameOf(wanted);
  const DWORD self = GetCurrentProcessId();
  DWORD ourSession = 0;
  if (!ProcessIdToSessionId(self, &ourSession)) return false;
  winframe::CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return false;
  bool lastOutcome = false;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
    // The name first, cheaply; some systems report a full path here.
    if (entry.th32ProcessID == self || !SamePath(FileNameOf(entry.szExeFile), wantedName)) continue;
    DWORD session = 0;
    if (!ProcessIdToSessionId(entry.th32ProcessID, &session) || session != ourSession) continue;
    winframe::CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                    entry.th32ProcessID));
    if (process.IsValid() && !SamePath(ImageOf(process.Get()), wanted)) continue;
    // A process that was opened but could not be ended counts as a failure too.
    lastOutcome = process.IsValid() && TerminateProcess(process.Get(), 0) != FALSE;
    if (lastOutcome) {
      std::printf("hCurrentProcess is terminate.\n");
    } else {
      std::printf("hCurrentProcess is invalid: %lu\n", entry.th32ProcessID);
    }
    std::fflush(stdout);
  }
  return lastOutcome;
}

bool KillAdbProcesses() { return KillClientProcesses(ProgramClientPath()); }
