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

// Texts of the pop-ups and boxes
#define IDS_ERROR_CAPTION       110
#define IDS_FOLDER_CAPTION      111
#define IDS_FOLDER_OFFERED      112
#define IDS_NOTE_CAPTION        113
#define IDS_NOTE_OFFERED        114
#define IDS_SEARCH_CAPTION      115
#define IDS_SEARCH_TITLE        116
#define IDS_NOT_FOUND           117
#define IDS_NO_MORE_FOUND       118
#define IDS_ABOUT_TITLE         119

// Refusals: what the program will not do, and why; each says nothing changed
#define IDS_REFUSED_NAME_EMPTY          130
#define IDS_REFUSED_NAME_CHARACTERS     131
#define IDS_REFUSED_NAME_ENDING         132
#define IDS_REFUSED_NAME_RESERVED       133
#define IDS_REFUSED_NAME_TOO_LONG       134
#define IDS_REFUSED_PATH_TOO_LONG       135
#define IDS_REFUSED_PATH_UNREADABLE     136
#define IDS_REFUSED_NAME_UNREACHABLE    137
#define IDS_REFUSED_LINK_INSIDE         138
#define IDS_REFUSED_LINK_DELETE         139
#define IDS_REFUSED_LINK_RENAME         140
#define IDS_REFUSED_LINK_REMOVE         141
#define IDS_REFUSED_RENAME_NOT_TAKEN    142
#define IDS_REFUSED_SAVE_READ_ONLY      143
#define IDS_REFUSED_SAVE_FOLDER         144
#define IDS_REFUSED_SAVE_NO_NAME        145
#define IDS_READ_ONLY_NOT_A_NOTE        146
#define IDS_READ_ONLY_TOO_LONG          147
#define IDS_READ_ONLY_ZERO              148
#define IDS_READ_ONLY_CHANGED           149
#define IDS_READ_ONLY_NAME              150
#define IDS_REFUSED_ENTRY_GONE          151
#define IDS_REFUSED_ENTRY_CHANGED       152
#define IDS_REFUSED_ENTRY_OUTSIDE       153
#define IDS_REFUSED_NAME_SHARED         154
#define IDS_READ_ONLY_NAME_SHARED       155
#define IDS_NOTE_GONE                   156
#define IDS_REFUSED_FOLDER_EXISTS       157
#define IDS_REFUSED_NOTE_EXISTS         158
#define IDS_NO_WINDOW                   159
#define IDS_READ_ONLY_CODE_PAGE         170
#define IDS_REFUSED_SAVE_ENCODING       171
#define IDS_REFUSED_DELETE_HIDDEN       172
#define IDS_SAVED_IN_OTHER_FOLDER       173
#define IDS_REFUSED_RENAME_LEFT_ASIDE   174

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

// Faces the edit controls are drawn in under Wine (RCDATA)
#define IDR_FONT_TEXT           150
#define IDR_FONT_FALLBACK       151

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
// Keys of a desktop: no button of the bar, an accelerator each.
#define IDM_SWITCH_VIEW         40003
#define IDM_RENAME              40004

// Shell menu-bar record: a custom resource type read by base/shell_services.
// Layout, 16-bit words: menu id, button count, then per button
// command id, string id, flags (MENUBAR_DROPDOWN), index of its pop-up.
#define RT_MENUBAR_RECORD       241
#define MENUBAR_DROPDOWN        1
#define MENUBAR_NO_POPUP        0xFFFF
