// Resource identifiers shared by the resource scripts and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_SETUP 108
#define IDB_LOGO 106

#define IDS_INSTALL_SUCCEEDED 107
#define IDS_INSTALL_FAILED 108
#define IDS_TEST_PAGE 113
#define IDS_PORT_NOT_DETECTED 114
#define IDS_SELECT_PORT 115
#define IDS_NO_PORT_SELECTED 116

#define IDC_INSTALL 1
#define IDC_EXIT 2
#define IDC_WIZARD 3
#define IDC_DEFAULT_NO 1015
#define IDC_DEFAULT_YES 1016
#define IDC_USB 1017
#define IDC_COM 1018
#define IDC_LPT 1019
#define IDC_NET 1020
#define IDC_PORT_LIST 1021
#define IDC_ADDRESS 1022
#define IDC_NOT_DETECTED 1023
#define IDC_BAUD_9600 1025
#define IDC_BAUD_19200 1026
#define IDC_BAUD_38400 1027
#define IDC_BAUD_115200 1028
#define IDC_BAUD_GROUP 1029
#define IDC_MODEL_FIRST 1030
#define IDC_MODEL_LAST 1035
