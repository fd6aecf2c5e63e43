// Resource ids shared by the .rc files and the code.
#pragma once

#define IDD_EXPORT_FORMAT 101
#define IDD_SETTINGS 102
#define IDD_OVERWRITE 103

#define IDS_BROWSE_TITLE 2
#define IDS_STORED_FORMAT_CAPTION 3
#define IDS_ASK_FORMAT_CAPTION 4
#define IDS_OVERWRITE_MESSAGE 100
#define IDS_WRITE_ERROR 500
#define IDS_NO_SAVE_PATH 502
