// CTreeViewEx1: the category tree of the result screen, painted entirely by us. Two levels:
// the root ("android phone") with an expander, a check box and the phone icon, and one node
// per record category with a check box, its icon and a label with the number of records.
// An empty category (count 0) is greyed, shows the disabled box and ignores clicks.
//
// Check states live in the control's state-image bits (1 unchecked, 2 checked). A click on
// the root's box sets every category to the root's new state and sends WM_TREEITEM_CHECKED
// for each category that changed; a click on a category's box re-evaluates the root and
// sends WM_TREEITEM_CHECKED for the category. Box clicks leave the selection alone; double
// clicks neither expand nor collapse.
//
// Threads: everything runs on the window thread except SetCategoryCount, which the load
// worker also calls; its requests to the control are synchronous sends, and the count it
// writes is read by the painter and the click handler.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Controls.h"
#include "GdipImage.h"
#include "DoubleBuffer.h"
#include "WindowImpl.h"

// What a category node carries as its item data.
struct CategoryData {
    int nKind = 0;                           // 0 contacts, 1 messages (kept for the owner)
    int nCount = 0;                          // records in the category; 0 = empty
    const winframe::CGdipImage* pIcon = nullptr;  // owned by the main window
};

class CTreeViewEx1 : public winframe::CWindowImpl<CTreeViewEx1, winframe::CTreeViewCtrlT<winframe::CWindow>>, public winframe::CDoubleBufferImpl<CTreeViewEx1> {
public:
    CTreeViewEx1();
    BOOL ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    ~CTreeViewEx1() override;

    // Hooks the dialog's tree control, loads the pictures and sets the item height.
    // Returns whether the hooking succeeded.
    BOOL InitTreeView(HWND tree);
    // Adds a category node under the parent, after its last child. Null when the record
    // cannot be made.
    HTREEITEM AddCategory(HTREEITEM parent, int kind, const wchar_t* text, const winframe::CGdipImage* icon);
    // Stores the count in a category node (and replaces its text when one is given); nodes
    // without a record are left alone.
    void SetCategoryCount(HTREEITEM item, const wchar_t* text, int count);
    CategoryData* GetCategory(HTREEITEM item) const;
    bool IsParentNode(HTREEITEM item) const;
    // The check box of a node as a click sees it, in client coordinates.
    RECT CheckBoxHitRect(HTREEITEM item) const;

    RECT m_rcClient{};                 // painting scratch
    int m_nRowOrigin = 0;              // painting scratch
    int m_nContentWidth = 0;           // painting scratch
    int m_nItemHeight = 25;            // set by the owner before InitTreeView
    // Whether clicks and the space key may change check boxes: not while the records they
    // stand for are still being loaded.
    bool m_bChecksEnabled = true;
    winframe::CGdipImage m_imgClosed;  // "tree_closed.bmp"
    winframe::CGdipImage m_imgOpened;  // "tree_opened.bmp"
    winframe::CGdipImage m_imgCheck;   // "checkboxes.png", 5 frames: 0 unchecked, 3 checked, 4 disabled
    winframe::CGdipImage m_imgRoot;    // "treeroot.png"

private:
    std::vector<std::unique_ptr<CategoryData>> m_categories;  // alive as long as the tree

    int FrameWidth() const;
    friend class winframe::CDoubleBufferImpl<CTreeViewEx1>;
    void DoPaint(winframe::COffscreenPaint& paint);
    void PaintParent(HDC dc, HTREEITEM item, const RECT& line, bool expanded);
    void PaintCategory(HDC dc, HTREEITEM item, const RECT& line, const CategoryData& data, bool showSelection);
    void DrawBox(HDC dc, int x, int y, int frame) const;
    BOOL OnLButtonDown(LPARAM lp);
    BOOL OnKeyDown(WPARAM key);
    void ToggleNode(HTREEITEM item);
    void ToggleParent(HTREEITEM item, int check);
    void UpdateRoot();
};
