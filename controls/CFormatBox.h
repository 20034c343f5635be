// CFormatBox: the small modal box, shown after the folder browser, where the user ticks the
// formats an export writes. It looks like the message box (CMsgBox): borderless, shaped by
// the message box's background picture (lengthened in its middle to hold the rows), the
// product title in the top band, a close button, and OK and Cancel drawn as picture buttons.
// Each format is a row with a skinned check box ("checkbox.png") and its name; the text
// files are ticked by default. OK stays inactive while no format is ticked. The box ends only
// through its buttons (and Esc, which answers Cancel).
//
// The box has no resource of its own: its dialog template is made in memory and its controls
// are created when it opens.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "CImgButton.h"
#include "GdipImage.h"
#include "Handles.h"
#include "WindowImpl.h"

// What the user ticked, in the order of the rows.
struct FormatTicks {
    bool text = true;
    bool vcard = false;
    bool smsXml = false;
    bool csv = false;
    bool html = false;
};

class CFormatBox : public winframe::CDialogImplRoot<winframe::CWindow> {
public:
    // Control identifiers: the close, OK and Cancel buttons as in the message box, and one
    // per row, in the order of FormatTicks.
    enum : int {
        kCloseId = 1010,
        kOkId = 1011,
        kCancelId = 1015,
        kFirstRowId = 1101,
        kRowCount = 5,
    };

    // Loads the pictures.
    CFormatBox();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CFormatBox() override;

    // Runs the box modally over the owner (the active window when none is given) with
    // `initial` ticked. Returns what was ticked when the user pressed OK, nothing when the
    // box was closed or cancelled.
    std::optional<FormatTicks> Run(const FormatTicks& initial = FormatTicks(), HWND owner = nullptr);

    // Whether a row is ticked, readable while the box is open (for tests).
    bool Ticked(int row) const { return m_ticked[static_cast<size_t>(row)]; }

private:
    winframe::CGdipImage m_imgBack;
    winframe::CGdipImage m_imgCheck;  // 4 frames: unticked, unticked hover, ticked, ticked hover
    CImgButton m_btnClose;
    CImgButton m_btnOk;
    CImgButton m_btnCancel;
    winframe::CFont m_fontTitle;
    winframe::CFont m_fontText;
    std::array<bool, kRowCount> m_ticked{};
    RECT m_rcClient{};

    void OnInitDialog();
    void CreateRows();
    void OnPaint();
    void PaintBackground(HDC dc) const;
    void DrawRow(const DRAWITEMSTRUCT& item) const;
    void Toggle(int row);
    void UpdateOk();
    bool AnyTicked() const;
    FormatTicks Ticks() const;
};
