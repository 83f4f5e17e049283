// Resource numbers of the Windows stub: its icon (number 1, which the icon replacement looks for)
// and its dialogs.
#pragma once

#define IDI_STUB 1

#define IDD_TEXT 101
#define IDD_FILES 102
#define IDD_OVERWRITE 103
#define IDD_MODE 104

#define IDC_PROMPT 1001
#define IDC_EDIT 1002
#define IDC_LIST 1003
#define IDC_ALL 1004
#define IDC_NONE 1005
#define IDC_ASK 1006
#define IDC_ALWAYS 1007
#define IDC_NEVER 1008
