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

// The progress window of a long export and how it ended.
#define IDD_PROGRESS 110
#define IDC_PROGRESS_SUBJECT 1201
#define IDC_PROGRESS_BAR 1202
#define IDC_PROGRESS_COUNT 1203
#define IDS_PROGRESS_CAPTION 600
#define IDS_PROGRESS_COUNT 601
#define IDS_PROGRESS_CANCEL 602
#define IDS_REPORT_DONE_CAPTION 610
#define IDS_REPORT_CANCELLED_CAPTION 611
#define IDS_REPORT_DONE 612
#define IDS_REPORT_CANCELLED 613
#define IDS_REPORT_WRITTEN 614
#define IDS_REPORT_FAILED 615
#define IDS_REPORT_TARGET 616
#define IDS_REPORT_FAILED_REASON 617
#define IDS_REPORT_SIGNATURES 618
#define IDS_REPORT_UNCONVERTED 619
// Files that keep the export time instead of their mail's.
#define IDS_REPORT_NO_DATE 630
#define IDS_REPORT_TIME_REFUSED 631
// Why a message was not written (in the report).
#define IDS_FAILED_NO_SOURCE 620
#define IDS_FAILED_NO_FILE 622
#define IDS_FAILED_WRITE 623
#define IDS_FAILED_TOO_LARGE 624
#define IDS_FAILED_EMPTY 625
#define IDS_FAILED_MESSAGE 626
