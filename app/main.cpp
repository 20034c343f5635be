// Start-up of Quillfen Retrievo: COM, common controls, GDI+, a single instance, the image
// folder, then the main window, modally; its end code is the process's exit code.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "CMainDlg.h"
#include "GdipImage.h"
#include "SkinFolder.h"
#include "WindowImpl.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*prev*/, PWSTR /*cmdLine*/, int /*show*/) {
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
