// Numbers of the main dialog's controls, menu items and resources.  Plain
// macros so that the resource script and the C++ code share one list.
#ifndef WAKELORE_UI_DIALOG_IDS_H_
#define WAKELORE_UI_DIALOG_IDS_H_

#define IDI_WAKELORE 128
#define IDD_MAIN 129
#define IDD_ABOUT 130
#define IDR_MAIN_MENU 131
#define IDD_REPORT 132

// Section 1: data import.
#define IDC_IMPORT_FROM 1000
#define IDC_IMPORT_TO 1001
#define IDC_KIND_PROGRAMS 1002
#define IDC_KIND_RESULTS 1003
#define IDC_KIND_MEETINGS 1004
#define IDC_KIND_RACER_PERIODS 1005
#define IDC_IMPORT_START 1006
#define IDC_CANCEL_TASK 1007
#define IDC_PROGRESS 1008
#define IDC_TASK_STATUS 1009
#define IDC_IMPORT_STATUS 1010

// Section 2: before-race information.
#define IDC_BEFORE_DATE 1011
#define IDC_BEFORE_STADIUM 1012
#define IDC_BEFORE_RACE 1013
#define IDC_BEFORE_FETCH 1014
#define IDC_BEFORE_NOTE 1015

// Section 3: data output.
#define IDC_DATASET 1016
#define IDC_EXPORT_FROM 1017
#define IDC_EXPORT_TO 1018
#define IDC_EXPORT_STADIUM 1019
#define IDC_FORMAT 1020
#define IDC_PREVIEW 1021
#define IDC_EXPORT 1022
#define IDC_TABLE_LIST 1023
#define IDC_DATASET_NOTE 1024
#define IDC_SQL_TEXT 1025
#define IDC_GRID 1026
#define IDC_DATA_FOLDER 1027
#define IDC_PREVIEW_STATUS 1028
// Section 1 again: the race-day pages of every race (直前情報・オッズ).
#define IDC_KIND_RACE_PAGES 1029

// Version dialog.
#define IDC_ABOUT_VERSION 1200

// Menu.
#define ID_FILE_OPEN_DATA_FOLDER 40001
#define ID_FILE_EXIT 40002
#define ID_HELP_MANUAL 40003
#define ID_HELP_ABOUT 40005

#endif  // WAKELORE_UI_DIALOG_IDS_H_
