// Resource identifiers of KarvoLib.dll.
#pragma once

#define IDD_SNAP_RECT 135
#define IDB_SNAP_TIP 4002
#define IDC_CURSOR_SELECT 4003
#define IDD_ACTIVE_WIN 4004
#define IDD_SNAP_OBJ 4005

#define IDC_WND_LIST 4000
#define IDC_SNAP_TIP 1031
#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
