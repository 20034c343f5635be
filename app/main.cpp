// Start-up of Quillfen Retrievo: the library search order, COM, common controls, GDI+, a
// single instance, the image folder, then the main window, modally; its end code is the
// process's exit code.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "CMainDlg.h"
#include "GdipImage.h"
#include "SkinFolder.h"
#include "WindowImpl.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*prev*/, PWSTR /*cmdLine*/, int /*show*/) {
    // The program runs elevated: libraries it loads later are looked for in its own folder and
    // the system folder only, never in the current folder or along the PATH, where anybody
    // could put a library of that name.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    ::SetDllDirectoryW(L"");
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    winframe::SetModuleInstance(instance);
    int code = 0;
    {
        winframe::CGdiplusSession gdiplus;
        // Kept until the process ends: its name marks the running instance.
        winframe::CHandle instanceMutex(::CreateMutexW(nullptr, TRUE, L"Quillfen Retrievo"));
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            controls::SetImageFolder(controls::DefaultImageFolder());
            CMainDlg dlg;
            code = static_cast<int>(dlg.DoModal(::GetActiveWindow()));
        }
    }
    ::CoUninitialize();
    return code;
}
