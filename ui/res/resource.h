// Resource ids of setup.exe, shared by the resource script and the code.
#pragma once

#define IDR_MAINFRAME 128
#define IDB_BACKGROUND 131
#define IDD_SETUP_DIALOG 102
#define IDC_MESSAGE 1002
#define IDC_PROGRESS 1004
