// Resource ids shared by the .rc files and the code.
#pragma once

#define IDD_EXPORT_FORMAT 101
#define IDD_SETTINGS 102
#define IDD_OVERWRITE 103

// Control ids. The three save-type radio buttons carry the save-type values
// themselves (103, 104, 105), as the dialogs read them back as such.
#define IDC_STATIC -1
#define IDC_APPEND 3
#define IDC_SAVE_MBOX 103
#define IDC_SAVE_EML 104
#define IDC_SAVE_SEPARATOR 105
#define IDC_FORMAT_CONVERT 1000
#define IDC_NO_ATTACH 1001
#define IDC_BROWSE 1002
#define IDC_SAVE_FOLDER 1003
#define IDC_SETTINGS_CONVERT 1006
#define IDC_VERSION 1007
#define IDC_OVERWRITE_MESSAGE 1008
#define IDC_SEPARATOR 1134

#define IDS_BROWSE_TITLE 2
#define IDS_STORED_FORMAT_CAPTION 3
#define IDS_ASK_FORMAT_CAPTION 4
#define IDS_OVERWRITE_MESSAGE 100
#define IDS_WRITE_ERROR 500
#define IDS_NO_SAVE_PATH 502
