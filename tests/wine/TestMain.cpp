// Entry point of the Windows control tests: GDI+ and the common controls are started
// once for all tests, as the program does at start-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "GdipImage.h"

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    winframe::CGdiplusSession gdiplus;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
