// CMsgBox: the program's modal message box. A borderless window shaped by its background
// picture ("msgbox.png"), with an icon for the kind of message, the product title in the
// top band, the message text, a close button and up to two answer buttons. It ends only
// through its buttons: Enter and Esc do nothing (except that Esc answers "close" when the
// close button's picture is missing, so that the box can always be left).
#pragma once

#include <windows.h>

#include <string>

#include "CImgButton.h"
#include "GdipImage.h"
#include "Handles.h"
#include "DoubleBuffer.h"
#include "WindowImpl.h"
#include "resource.h"

// Icon kinds.
enum MsgBoxIcon { MSGICON_WARNING = 0, MSGICON_ERROR = 1, MSGICON_INFO = 2, MSGICON_SUCCESS = 3 };

// Button sets (flags).
enum MsgBoxButtons : WORD {
    MSGBTN_OK = 1,
    MSGBTN_YES = 2,
    MSGBTN_CANCEL = 4,
    MSGBTN_NO = 8,
};

class CMsgBox : public winframe::CDialogImpl<CMsgBox>, public winframe::CDoubleBufferImpl<CMsgBox> {
public:
    enum { IDD = IDD_QF_MSGBOX };

    // Loads the background picture.
    CMsgBox();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CMsgBox() override;

    // Stores what to show and runs the box modally over the owner; see ShowMsgBox.
    int Run(int iconKind, WORD buttons, const wchar_t* text, HWND owner);

    // Layout, readable once the box is open (for the caller's tests).
    const RECT& TextRect() const { return m_rcText; }
    bool TextIsSingleLine() const { return m_bSingleLine; }
    int TextLineHeight() const { return m_nLineHeight; }

private:
    int m_nIconKind = MSGICON_INFO;
    WORD m_wButtons = MSGBTN_OK;
    winframe::CGdipImage m_imgBack;
    winframe::CGdipImage m_imgIcon;
    CImgButton m_btnClose;
    CImgButton m_btnOk;
    CImgButton m_btnYes;
    CImgButton m_btnNo;
    CImgButton m_btnCancel;
    RECT m_rcClient{};
    std::wstring m_strText;
    RECT m_rcText{};
    RECT m_rcIcon{};
    winframe::CFont m_fontTitle;
    winframe::CFont m_fontText;
    bool m_bSingleLine = true;
    int m_nLineHeight = 0;

    void OnInitDialog();
    void PlaceAnswerButtons();
    friend class winframe::CDoubleBufferImpl<CMsgBox>;
    void DoPaint(winframe::COffscreenPaint& paint);
    void LayoutText(HDC dc);
};

// Shows a message box: icon kind (0 warning, 1 error, 2 information, 3 success), button
// set (MSGBTN_* flags), the text, the box the caller constructed, and its owner (the
// active window when none is given). Returns the id of the button that ended it: 1010
// close, 1011 OK, 1012 Yes, 1014 No, 1015 Cancel.
int ShowMsgBox(int iconKind, WORD buttons, const wchar_t* text, CMsgBox& box, HWND owner = nullptr);
