// Every private window message of the program (numbers above WM_USER), in one place.
//
//   message               from                      to                   wParam / lParam
//   WM_LISTITEM_CHECKED   check list                its parent           row index / 1 checked, 0 unchecked
//   WM_SHOW_CONTACT       owner                     contact board        0 / ContactRecord* or 0
//   WM_SHOW_MESSAGE       owner                     message board        0 / ConversationRecord* or 0
//   WM_HEADER_CHECKALL    list header               its list             1 check all, 0 uncheck all / 0
//   WM_TREEITEM_CHECKED   category tree             its parent           HTREEITEM / 1 checked, 0 unchecked
//   WM_LOAD_DONE          load worker (posted)      main window          0 / 0
//   WM_EXPORT_DONE        export worker (posted)    main window          0 / 0
//   WM_PULL_DONE          pull worker (posted)      main window          1 / 0
//   WM_NEW_VERSION        update worker (sent)      main window          1 / 0
//   WM_CATEGORY_LOADED    load worker (sent)        main window          category (0 contacts, 1 messages) / records
//   WM_LOAD_COUNTED       load worker (posted)      main window          0 / 0 (pause and stop may show)
//   WM_PULL_PROGRESS      pull worker (posted)      main window          0 / 0 (bytes copied: the pull's status)
//   WM_SCAN_DONE          scan worker (posted)      main window          0 / 0 (the engine runs have ended)
//
// The controls' messages are sent synchronously; the workers' are posted (or sent) to window
// handles, which fails harmlessly once the window is gone.
#pragma once

#include <windows.h>

#define WM_LISTITEM_CHECKED (WM_USER + 100)
#define WM_SHOW_CONTACT (WM_USER + 101)
#define WM_SHOW_MESSAGE (WM_USER + 102)
#define WM_HEADER_CHECKALL (WM_USER + 104)
#define WM_TREEITEM_CHECKED (WM_USER + 105)
#define WM_LOAD_DONE (WM_USER + 109)
#define WM_EXPORT_DONE (WM_USER + 110)
#define WM_PULL_DONE (WM_USER + 111)
#define WM_NEW_VERSION (WM_USER + 112)
#define WM_CATEGORY_LOADED (WM_USER + 113)
#define WM_LOAD_COUNTED (WM_USER + 114)
#define WM_PULL_PROGRESS (WM_USER + 115)
#define WM_SCAN_DONE (WM_USER + 116)
