// Thin wrappers over the platform controls, each over a window base (CWindow, or a class
// of ours that derives from it). Only the calls the program makes are here.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "Window.h"

namespace winframe {

template <class TBase>
class CButtonT : public TBase {
public:
    int GetCheck() const { return static_cast<int>(this->SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) const { this->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(this->SendMessage(BM_GETSTATE)); }
    void SetState(BOOL pushed) const { this->SendMessage(BM_SETSTATE, static_cast<WPARAM>(pushed)); }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) const {
        this->SendMessage(BM_SETSTYLE, style, MAKELPARAM(redraw, 0));
    }
    void Click() const { this->SendMessage(BM_CLICK); }
};
using CButton = CButtonT<CWindow>;

template <class TBase>
class CStaticT : public TBase {};
using CStatic = CStaticT<CWindow>;

template <class TBase>
class CHeaderCtrlT : public TBase {
public:
    int GetItemCount() const { return static_cast<int>(this->SendMessage(HDM_GETITEMCOUNT)); }
    BOOL GetItemRect(int index, RECT* rc) const {
        return static_cast<BOOL>(
            this->SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rc)));
    }
    std::wstring GetItemText(int index) const {
        wchar_t buf[260] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = buf;
        item.cchTextMax = 260;
        this->SendMessage(HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buf;
    }
};
using CHeaderCtrl = CHeaderCtrlT<CWindow>;

template <class TBase>
class CListViewCtrlT : public TBase {
public:
    int GetItemCount() const { return static_cast<int>(this->SendMessage(LVM_GETITEMCOUNT)); }
    HWND GetHeader() const { return reinterpret_cast<HWND>(this->SendMessage(LVM_GETHEADER)); }
    int InsertItem(int index, const wchar_t* text) const {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<wchar_t*>(text);
        return static_cast<int>(this->SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    BOOL SetItemText(int index, int subItem, const wchar_t* text) const {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = const_cast<wchar_t*>(text);
        return static_cast<BOOL>(this->SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                                                   reinterpret_cast<LPARAM>(&item)));
    }
    // The cell text, at most 259 characters.
    std::wstring GetItemText(int index, int subItem) const {
        wchar_t buf[260] = {};
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buf;
        item.cchTextMax = 260;
        this->SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buf;
    }
    DWORD_PTR GetItemData(int index) const {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        this->SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return static_cast<DWORD_PTR>(item.lParam);
    }
    BOOL SetItemData(int index, DWORD_PTR data) const {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        item.lParam = static_cast<LPARAM>(data);
        return static_cast<BOOL>(this->SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(this->SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
    }
    BOOL SetItemState(int index, UINT state, UINT mask) const {
        LVITEMW item{};
        item.state = state;
        item.stateMask = mask;
        return static_cast<BOOL>(this->SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                                                   reinterpret_cast<LPARAM>(&item)));
    }
    // The state image of a row (check boxes: 1 unchecked, 2 checked).
    int GetStateImage(int index) const {
        return static_cast<int>((GetItemState(index, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12);
    }
    BOOL SetStateImage(int index, int image) const {
        return SetItemState(index, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(image)), LVIS_STATEIMAGEMASK);
    }
    BOOL GetSubItemRect(int index, int subItem, int area, RECT* rc) const {
        rc->top = subItem;
        rc->left = area;
        return static_cast<BOOL>(this->SendMessage(LVM_GETSUBITEMRECT, static_cast<WPARAM>(index),
                                                   reinterpret_cast<LPARAM>(rc)));
    }
    int HitTest(LVHITTESTINFO* info) const {
        return static_cast<int>(this->SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
    }
    BOOL SortItems(PFNLVCOMPARE compare, LPARAM data) const {
        return static_cast<BOOL>(
            this->SendMessage(LVM_SORTITEMS, static_cast<WPARAM>(data), reinterpret_cast<LPARAM>(compare)));
    }
    int FindItem(LVFINDINFOW* find, int start) const {
        return static_cast<int>(
            this->SendMessage(LVM_FINDITEMW, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(find)));
    }
    BOOL DeleteAllItems() const { return static_cast<BOOL>(this->SendMessage(LVM_DELETEALLITEMS)); }
    BOOL DeleteColumn(int column) const {
        return static_cast<BOOL>(this->SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(column)));
    }
    int InsertColumn(int column, const wchar_t* title, int format, int width) const {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        col.fmt = format;
        col.cx = width;
        col.pszText = const_cast<wchar_t*>(title);
        return static_cast<int>(this->SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                                  reinterpret_cast<LPARAM>(&col)));
    }
    DWORD SetExtendedListViewStyle(DWORD exStyle, DWORD mask = 0) const {
        return static_cast<DWORD>(this->SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, exStyle));
    }
};
using CListViewCtrl = CListViewCtrlT<CWindow>;

template <class TBase>
class CTreeViewCtrlT : public TBase {
public:
    HTREEITEM InsertItem(const wchar_t* text, HTREEITEM parent, HTREEITEM after, LPARAM data,
                         BOOL hasChildren = FALSE) const {
        TVINSERTSTRUCTW ins{};
        ins.hParent = parent;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | (hasChildren ? TVIF_CHILDREN : 0);
        ins.item.pszText = const_cast<wchar_t*>(text);
        ins.item.lParam = data;
        ins.item.cChildren = hasChildren ? 1 : 0;
        return reinterpret_cast<HTREEITEM>(this->SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(this->SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    BOOL SelectItem(HTREEITEM item) const {
        return static_cast<BOOL>(this->SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
    }
    BOOL Expand(HTREEITEM item, UINT code = TVE_EXPAND) const {
        return static_cast<BOOL>(this->SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItemRect(HTREEITEM item, RECT* rc, BOOL textOnly) const {
        *reinterpret_cast<HTREEITEM*>(rc) = item;
        return static_cast<BOOL>(this->SendMessage(TVM_GETITEMRECT, static_cast<WPARAM>(textOnly),
                                                   reinterpret_cast<LPARAM>(rc)));
    }
    UINT GetItemState(HTREEITEM item, UINT mask) const {
        return static_cast<UINT>(this->SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    BOOL SetItemState(HTREEITEM item, UINT state, UINT mask) const {
        TVITEMW tv{};
        tv.mask = TVIF_STATE;
        tv.hItem = item;
        tv.state = state;
        tv.stateMask = mask;
        return static_cast<BOOL>(this->SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)));
    }
    // The state image of a node (check boxes: 1 unchecked, 2 checked).
    int GetStateImage(HTREEITEM item) const {
        return static_cast<int>((GetItemState(item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12);
    }
    BOOL SetStateImage(HTREEITEM item, int image) const {
        return SetItemState(item, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(image)), TVIS_STATEIMAGEMASK);
    }
    std::wstring GetItemText(HTREEITEM item) const {
        wchar_t text[260] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 260;
        this->SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return text;
    }
    BOOL ItemHasChildren(HTREEITEM item) const {
        TVITEMW tv{};
        tv.mask = TVIF_CHILDREN;
        tv.hItem = item;
        this->SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return tv.cChildren != 0;
    }
    DWORD_PTR GetItemData(HTREEITEM item) const {
        TVITEMW tv{};
        tv.mask = TVIF_PARAM;
        tv.hItem = item;
        this->SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        return static_cast<DWORD_PTR>(tv.lParam);
    }
    BOOL SetItemText(HTREEITEM item, const wchar_t* text) const {
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = const_cast<wchar_t*>(text);
        return static_cast<BOOL>(this->SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)));
    }
    int SetItemHeight(int height) const {
        return static_cast<int>(this->SendMessage(TVM_SETITEMHEIGHT, static_cast<WPARAM>(height)));
    }
    HTREEITEM HitTest(TVHITTESTINFO* info) const {
        return reinterpret_cast<HTREEITEM>(this->SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
    }
};
using CTreeViewCtrl = CTreeViewCtrlT<CWindow>;

}  // namespace winframe
