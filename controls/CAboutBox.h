// CAboutBox: the modal About dialog: its background picture ("aboutbk.png"), the product
// title, the version, a link to the maker's home page, a close and an OK button.
#pragma once

#include <windows.h>

#include "CImgButton.h"
#include "GdipImage.h"
#include "Handles.h"
#include "HyperLink.h"
#include "DoubleBuffer.h"
#include "WindowImpl.h"
#include "resource.h"

class CAboutBox : public winframe::CDialogImpl<CAboutBox>, public winframe::CDoubleBufferImpl<CAboutBox> {
public:
    enum { IDD = IDD_QF_ABOUTBOX };

    explicit CAboutBox(HWND owner);
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CAboutBox() override;

    // Runs the box modally over its owner; answers 1024 (close) or 1027 (OK).
    int Run();

    // The label of the home-page link.
    static std::wstring LinkLabel();

private:
    winframe::CGdipImage m_imgBack;
    CImgButton m_btnClose;
    CImgButton m_btnOk;
    winframe::CHyperLink m_link;
    HWND m_hOwner;
    winframe::CBrush m_brLink;

    void OnInitDialog();
    friend class winframe::CDoubleBufferImpl<CAboutBox>;
    void DoPaint(winframe::COffscreenPaint& paint);
};
