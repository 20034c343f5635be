// Private window messages of the result controls (numbers above WM_USER).
//
//   WM_LISTITEM_CHECKED  list -> its parent        wParam row index,  lParam 1 checked / 0 unchecked
//   WM_SHOW_CONTACT      owner -> contact board    wParam 0,          lParam ContactRecord* or 0
//   WM_SHOW_MESSAGE      owner -> message board    wParam 0,          lParam ConversationRecord* or 0
//   WM_HEADER_CHECKALL   list header -> its list   wParam 1 check all / 0 uncheck all, lParam 0
//   WM_TREEITEM_CHECKED  tree -> its parent        wParam HTREEITEM,  lParam 1 checked / 0 unchecked
//
// All are sent synchronously.
#pragma once

#include <windows.h>

#ifndef WM_LISTITEM_CHECKED
#define WM_LISTITEM_CHECKED (WM_USER + 100)
#endif
#ifndef WM_SHOW_CONTACT
#define WM_SHOW_CONTACT (WM_USER + 101)
#endif
#ifndef WM_SHOW_MESSAGE
#define WM_SHOW_MESSAGE (WM_USER + 102)
#endif
#ifndef WM_HEADER_CHECKALL
#define WM_HEADER_CHECKALL (WM_USER + 104)
#endif
#ifndef WM_TREEITEM_CHECKED
#define WM_TREEITEM_CHECKED (WM_USER + 105)
#endif
