// CHeaderCtrlCheck: the skinned header of the result list. It paints a stretched background
// picture, centred column titles with dividers and the sort arrow of the sorted column,
// keeps itself 30 pixels high, refuses a drag of the last column's divider and carries the
// select-all check box (a plain, non-automatic check box at x 5, y 7).
//
// It is hooked to the list view's own header by CListViewCheck1::InitListView. Clicking the
// select-all box toggles it and sends WM_HEADER_CHECKALL (1 check all, 0 uncheck all) to the
// list. Divider tracking arrives as reflected notifications from the list's parent.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "GdipImage.h"
#include "Handles.h"
#include "DoubleBuffer.h"
#include "WindowImpl.h"

class CHeaderCtrlCheck : public winframe::CWindowImpl<CHeaderCtrlCheck, winframe::CHeaderCtrlT<winframe::CWindow>>, public winframe::CDoubleBufferImpl<CHeaderCtrlCheck> {
public:
    // Loads the background picture "list_hearder.bmp" from the skin folder.
    CHeaderCtrlCheck();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CHeaderCtrlCheck() override;

    // Creates the select-all box as a child of the (hooked) header.
    BOOL CreateCheckAll();
    bool IsCheckAllChecked() const;
    void SetCheckAll(bool checked) const;

    winframe::CBitmap m_bmpBack;      // "list_hearder.bmp"
    winframe::CGdipImage m_imgAsc;    // "inc.png"
    winframe::CGdipImage m_imgDesc;   // "dec.png"
    int m_nHeight = 30;               // forced height of the header
    int m_nSortColumn = -1;           // -1: not sorted
    BOOL m_bSortAsc = TRUE;           // meaningful once m_nSortColumn is set
    HWND m_hCheckAll = nullptr;       // the select-all box

private:
    friend class winframe::CDoubleBufferImpl<CHeaderCtrlCheck>;
    void DoPaint(winframe::COffscreenPaint& paint);
    BOOL OnCommand(WPARAM wp, LPARAM lp, LRESULT& result);
    LRESULT OnLayout(HDLAYOUT* layout);
    BOOL OnReflectedNotify(const NMHDR* hdr, LRESULT& result);
};
