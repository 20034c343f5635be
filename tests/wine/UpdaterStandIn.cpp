// Stands in for the updater "Updrava.exe" in the end-to-end tests: started by the program,
// it writes "updater-started.txt" beside itself with its command line, so the test can
// tell that, and how, it was started.
#include <windows.h>

#include <cstring>
#include <cwchar>

int wmain(int /*argc*/, wchar_t** /*argv*/) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash || static_cast<size_t>(slash - path) + 24 >= MAX_PATH) return 1;
    std::wcscpy(slash + 1, L"updater-started.txt");

    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* commandLine = ::GetCommandLineA();
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
    ::CloseHandle(file);
    return ok ? 0 : 1;
}
