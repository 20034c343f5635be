// Resource identifiers of the message box and the About box.
#pragma once

#define IDD_QF_MSGBOX 3100
#define IDD_QF_ABOUTBOX 3101

// Message box controls; the button ids are also the box's answers.
#define IDC_MSGBOX_CLOSE 1010
#define IDC_MSGBOX_OK 1011
#define IDC_MSGBOX_YES 1012
#define IDC_MSGBOX_NO 1014
#define IDC_MSGBOX_CANCEL 1015
#define IDC_MSGBOX_TEXT 1017

// About box controls.
#define IDC_ABOUT_CLOSE 1024
#define IDC_ABOUT_LINK 1026
#define IDC_ABOUT_OK 1027
