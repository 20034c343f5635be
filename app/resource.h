// Resource identifiers of the program: the main dialog, its controls and the main menu.
#pragma once

#define IDD_MAINDLG 102
#define IDR_MAINMENU 130

// Main menu commands.
#define ID_MENU_HOME 32771
#define ID_MENU_ABOUT 104
#define ID_MENU_HELP 32775
#define ID_MENU_UPDATE 32777
#define ID_MENU_EXIT 105
#define ID_MENU_OPEN_FILES 32779

// Main dialog controls.
#define IDC_BTN_CLOSE 1000
#define IDC_BTN_MIN 1001
#define IDC_TREE 1003
#define IDC_LIST 1004
#define IDC_PROGRESS 1005
#define IDC_BTN_PAUSE 1006
#define IDC_BTN_STOP 1007
#define IDC_BTN_CONTINUE 1008
#define IDC_ANIMATE 1009
#define IDC_BTN_RECOVER 1010
#define IDC_BTN_MENU 1024
#define IDC_BTN_HOME 1029
#define IDC_BTN_HELP 1031
#define IDC_BTN_BACK 1032
#define IDC_BTN_REFRESH 1033
#define IDC_LINK 1034
#define IDC_FAILURE_CAUSE 1035
#define IDC_FAILURE_DETAIL 1036
