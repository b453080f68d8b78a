// Resource identifiers of KarvoLib.dll.
#pragma once

#define IDD_SNAP_RECT 135
#define IDB_SNAP_TIP 4002
#define IDB_SNAP_TIP_EN 4006  // the tip panel with its English title (chosen by the interface language)
#define IDC_CURSOR_SELECT 4003
#define IDD_ACTIVE_WIN 4004
#define IDD_SNAP_OBJ 4005

// Strings (4100-4199): every text the library shows, in both languages' string tables.
#define IDS_KV_SETTINGS_CAPTION 4100
#define IDS_KV_INT_RANGE 4101
#define IDS_KV_INT_ANY 4102
#define IDS_KV_SAVE_AS_CAPTION 4103
#define IDS_KV_NO_ENCODER 4104
#define IDS_KV_REPLACE_CAPTION 4105
#define IDS_KV_REPLACE 4106
#define IDS_KV_FILTER_ALL_IMAGES 4107
#define IDS_KV_FILTER_ENTRY 4108
// The capture types' names in file names ({type}), in capture-type order from here on.
#define IDS_KV_TYPE_FIRST 4112
#define IDS_KV_OBJ_TIP 4140
#define IDS_KV_RECT_TIP_PIXEL 4141
#define IDS_KV_RECT_TIP_STATE0 4142
#define IDS_KV_RECT_TIP_STATE1 4143
#define IDS_KV_RECT_TIP_STATE2 4144
#define IDS_KV_PANEL_FONT 4145
#define IDS_KV_PANEL_CORNER 4146
#define IDS_KV_PANEL_SIZE 4147
#define IDS_KV_PANEL_CURSOR 4148
#define IDS_KV_PANEL_MEASURE 4149

#define IDC_WND_LIST 4000
#define IDC_SNAP_TIP 1031
#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
