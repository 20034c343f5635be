// CMainDlg: the program's one top-level window, a caption-less, rounded 984 x 674 dialog
// painted from skin pictures. This first version carries the frame of the window: its
// background, the close, minimise, menu, home-page and help buttons and the main menu.
// The result views, the workers and their buttons join it later (the template already
// holds their controls, hidden).
#pragma once

#include <windows.h>

#include "CImgButton.h"
#include "CMyHyperLink.h"
#include "GdipImage.h"
#include "WindowImpl.h"
#include "resource.h"

class CMainDlg : public winframe::CDialogImpl<CMainDlg> {
public:
    enum { IDD = IDD_MAINDLG };

    static constexpr int kWidth = 984;
    static constexpr int kHeight = 674;

    CMainDlg();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CMainDlg() override;

private:
    int m_nPage = 1;  // 1 connect page, 2 results page
    winframe::CGdipImage m_imgMainBg1;
    winframe::CGdipImage m_imgMainBg2;
    winframe::CGdipImage m_imgStep1;
    winframe::CGdipImage m_imgStep2;
    CImgButton m_btnClose;
    CImgButton m_btnMin;
    CImgButton m_btnMenu;
    CImgButton m_btnHome;
    CImgButton m_btnHelp;
    CMyHyperLink m_link;  // "Have Problems?", shown after a failed pull

    void OnInitDialog();
    void OnPaint();
    BOOL OnCommand(WORD id, HWND control);
    void ShowMainMenu();
    void StartUpdater();
    void CloseApp(int code);
};
