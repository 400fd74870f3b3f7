// Resource ids shared by the resource script and the code.
#pragma once

#define IDS_CANCEL_QUESTION 1
#define IDS_TITLE 2
#define IDS_ONE_VM_FOUND 3
#define IDS_SEVERAL_VMS_FOUND 4
#define IDS_DOWNLOAD_OFFER 5
#define IDS_USAGE 6
#define IDS_EXE_FILTER 7
#define IDS_CLASS_FILTER 8
#define IDS_CANNOT_SAVE 9
#define IDS_NOT_A_VM 10
#define IDS_NAME_A_VM 11
#define IDS_NO_VM_AT_PATH 12
#define IDS_SAVED_TO 13
#define IDS_NAME_A_FOLDER 14
// One %ls: a folder by its full name, which the ANSI code page cannot hold.
#define IDS_CANNOT_RUN_HERE 15
// The payload could not be extracted into the run's folder.
#define IDS_CANNOT_EXTRACT 16
// Two %d: the VMs that have answered so far, then the VMs found.
#define IDS_SEARCHING 17
// The one VM listed is the Java runtime that the installer brings.
#define IDS_OWN_JAVA 18

#define IDD_VM_SELECT 107
#define IDD_NO_VM 108
#define IDI_MAIN 107

#define IDC_VM_LIST 1001
#define IDC_STATUS 1002
#define IDC_BROWSE_VM 1003
#define IDC_VM_PATH 1004
#define IDC_SAVE_FOLDER 1006
#define IDC_BROWSE_FOLDER 1009
#define IDC_DOWNLOAD_URL 1010
#define IDC_OPT_DOWNLOAD 1021
#define IDC_OPT_RUN_VM 1022
#define IDC_OPT_SAVE 1023

#define WM_BEGIN_SEARCH 0x0721
