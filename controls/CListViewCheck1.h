// CListViewCheck1: the owner-drawn result list (report view) of the main window. Each row
// has a picture check box (state image 1 unchecked, 2 checked), deleted records get a
// marker and red text, rows alternate their background, and a click on a column title
// sorts the rows by that column's text.
//
// The owner sets the row height, creates the window (it is a superclass of the platform
// list view, so it is ours from its first message), calls InitListView, switches on the
// extended styles full-row select and check boxes, sets the list kind and fills the rows
// with AddRow, setting each row's item data (the record's address) and check state itself.
// The parent must reflect WM_DRAWITEM, WM_MEASUREITEM and WM_NOTIFY back to the list (and to
// its header, for divider tracking).
//
// Every check change is sent to the parent as WM_LISTITEM_CHECKED (row, 1 or 0): after a
// click on a row's box, and once for every row when the header's select-all box is used.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "CHeaderCtrlCheck.h"
#include "Controls.h"
#include "GdipImage.h"
#include "OwnerDraw.h"
#include "WindowImpl.h"

class CListViewCheck1
    : public winframe::CWindowImpl<CListViewCheck1, winframe::CListViewCtrlT<winframe::CWindow>>,
      public winframe::COwnerDraw<CListViewCheck1> {
public:
    WINFRAME_WND_SUPERCLASS(L"QfCheckListView", WC_LISTVIEWW)

    // What the rows' item data point to.
    enum ListKind { kNothing = 0, kContacts = 1, kConversations = 2 };

    // The window as the main window creates it: "datalistview", id 1004, child, visible,
    // tab stop, owner-draw fixed, single selection, report view.
    static constexpr DWORD kStyle = 0x50010C05;
    static constexpr UINT kControlId = 1004;
    static constexpr DWORD kExStyle = LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES;  // 0x24

    CListViewCheck1();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CListViewCheck1() override;

    // Creates the list as the main window does.
    HWND CreateList(HWND parent, const RECT& rc);
    // Hooks the header, loads the pictures and creates the select-all box. Run once, right
    // after creation.
    BOOL InitListView();
    // Appends a row: one text per header column (missing ones count as empty). Returns the
    // new row's index, -1 on failure.
    int AddRow(std::initializer_list<const wchar_t*> texts);
    template <class... Texts>
    int AddRow(const wchar_t* first, Texts... rest) {
        return AddRow({first, static_cast<const wchar_t*>(rest)...});
    }

    // Whether the row's record is drawn as deleted (by list kind and item data).
    bool IsRowDeleted(int row) const;
    // The check box of a row, in client coordinates, as drawn.
    RECT CheckBoxRect(int row) const;

    void DrawItem(DRAWITEMSTRUCT* dis);
    void MeasureItem(MEASUREITEMSTRUCT* mis);

    winframe::CGdipImage m_imgCheck;    // "checkbox.png", 4 frames: 0 unchecked, 2 checked
    winframe::CGdipImage m_imgDeleted;  // "deleted.png"
    COLORREF m_clrOdd = RGB(255, 255, 255);
    COLORREF m_clrEven = RGB(245, 245, 245);
    CHeaderCtrlCheck m_header;
    int m_nRowHeight = 50;  // set by the owner before the window is created
    int m_nRowOrigin = 0;   // drawing scratch
    int m_nRowWidth = 0;    // drawing scratch
    int m_nListKind = kNothing;
    // Whether clicks and the space key may change check boxes: not while the records they
    // stand for are still being loaded.
    bool m_bChecksEnabled = true;

private:
    BOOL OnLButtonDown(LPARAM lp);
    BOOL OnKeyDown(WPARAM key);
    void ToggleRow(int row);
    BOOL OnHeaderNotify(WPARAM wp, LPARAM lp, LRESULT& result);
    void OnCheckAll(bool check);
    void OnColumnClick(int column);
    void SyncCheckAll();
    void UpdateRowGeometry();
    void DrawCell(HDC dc, int row, int column, const RECT& label, bool deleted);
};
