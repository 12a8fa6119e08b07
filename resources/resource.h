// Resource and command ids of ZephNotes, grouped by kind.
#pragma once

// Strings
#define IDS_TITLE               1
#define IDS_CLASS_NAME          2
#define IDS_EXIT                103
#define IDS_HELP                104
#define IDS_OK                  105
#define IDS_ABOUT_NAME          106
#define IDS_ABOUT_COPYRIGHT     107
#define IDS_ABOUT_CONTACT       108
#define IDS_SAVE_CAPTION        120
#define IDS_SAVED_AS_CONFLICT   121
#define IDS_NOTE_RECREATED      122

// Accelerators
#define IDA_MAIN                2

// Icon
#define IDI_ZEPHNOTES           101

// Menu bars (shell menu-bar records) and menus
#define IDMB_MAIN               102
#define IDM_HELP                102
#define IDMB_ABOUT              143
#define IDM_TREE                137
#define IDM_EDITOR              306

// Skin bitmaps
#define IDB_SIDE                129
#define IDB_TOOLBAR             130
#define IDB_PAPER               131
#define IDB_NOTE_SELECTED       132
#define IDB_NOTE                133
#define IDB_FOLDER              134
#define IDB_FOLDER_SELECTED     136
#define IDB_BUTTON_EXIT         138
#define IDB_BUTTON_OK           139
#define IDB_PANEL               140
#define IDB_BUTTON_SEARCH       142

// Control ids
#define IDC_NAME_FIELD          100
#define IDC_EDITOR              400
#define IDC_TREE                401
#define IDC_BUTTON_OK           402
#define IDC_BUTTON_CANCEL       403

// Editor menu commands
#define IDM_CUT                 300
#define IDM_COPY                301
#define IDM_PASTE               302
#define IDM_UNDO                303
#define IDM_CLEAR               304
#define IDM_SAVE                305

// Tree menu commands
#define IDM_DELETE              32780
#define IDM_CREATE_FOLDER       32781
#define IDM_CREATE_NOTE         32782
#define IDM_START_SEARCH        32786
#define IDM_CONTINUE_SEARCH     32787
#define IDM_SORT_ALPHABETICAL   32792
#define IDM_SORT_BY_DATE        32793

// Menu-bar commands
#define IDM_EXIT                40000
#define IDM_HELP_MENU           40001
#define IDM_ABOUT               40002

// Shell menu-bar record: a custom resource type read by base/shell_services.
// Layout, 16-bit words: menu id, button count, then per button
// command id, string id, flags (MENUBAR_DROPDOWN), index of its pop-up.
#define RT_MENUBAR_RECORD       241
#define MENUBAR_DROPDOWN        1
#define MENUBAR_NO_POPUP        0xFFFF
