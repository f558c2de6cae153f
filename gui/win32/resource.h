// Resource ids of the GUI's dialogs and controls.
#pragma once

#define IDD_INFO 101
#define IDD_CONFIG 102
#define IDD_ATTRIBUTES 103
#define IDD_COLOR 104
#define IDD_CONFIRM 105

// Driver Info
#define IDC_PRODUCT 1001
#define IDC_VERSION 1002
#define IDC_BUILD 1003
#define IDC_DATE 1004

// Display Config
#define IDC_STATUS_LABEL 1101
#define IDC_STATUS_PRIMARY 1102
#define IDC_STATUS_SECONDARY 1103
#define IDC_CONFIGURATION 1104
#define IDC_PRIMARY_MODE 1105
#define IDC_PRIMARY_DEPTH 1106
#define IDC_SECONDARY_MODE 1107
#define IDC_SECONDARY_DEPTH 1108
#define IDC_PORT 1109
#define IDC_PORT_STATUS 1110
#define IDC_ROTATE 1111
#define IDC_FLIP 1112

// Display Attributes: rows numbered from these bases
#define IDC_ATTR_PORT 1201
#define IDC_RANGE_LABEL 1210  // 15 labels
#define IDC_RANGE_SLIDER 1230 // 15 sliders
#define IDC_LIST_LABEL 1250   // 5 labels
#define IDC_LIST_BOX 1260     // 5 boxes
#define IDC_BOOL_BOX 1270     // 5 check boxes

// Color Correction
#define IDC_SURFACE_FB 1301
#define IDC_SURFACE_OVERLAY 1302
#define IDC_COLOR_PORT 1303
#define IDC_CHANNEL_ALL 1304
#define IDC_CHANNEL_RED 1305
#define IDC_CHANNEL_GREEN 1306
#define IDC_CHANNEL_BLUE 1307
#define IDC_GAMMA 1310
#define IDC_BRIGHTNESS 1311
#define IDC_CONTRAST 1312
#define IDC_SATURATION 1313
#define IDC_GAMMA_TEXT 1320
#define IDC_BRIGHTNESS_TEXT 1321
#define IDC_CONTRAST_TEXT 1322
#define IDC_SATURATION_TEXT 1323
#define IDC_SATURATION_LABEL 1324
#define IDC_RESTORE 1330

// Monitor Settings
#define IDC_QUESTION 1401
#define IDC_COUNTDOWN 1402
