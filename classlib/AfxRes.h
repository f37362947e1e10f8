// Standard command, string and window ids of the class library; only #define lines, so
// windres .rc files can include this header too.
#ifndef SEKTORLUPE_CLASSLIB_AFXRES_H
#define SEKTORLUPE_CLASSLIB_AFXRES_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define ID_SEPARATOR                    0

// File menu
#define ID_FILE_NEW                     57600
#define ID_FILE_OPEN                    57601
#define ID_FILE_CLOSE                   57602
#define ID_FILE_SAVE                    57603
#define ID_FILE_SAVE_AS                 57604
#define ID_FILE_PAGE_SETUP              57605
#define ID_FILE_PRINT_SETUP             57606
#define ID_FILE_PRINT                   57607
#define ID_FILE_PRINT_DIRECT            57608
#define ID_FILE_PRINT_PREVIEW           57609
#define ID_FILE_MRU_FIRST               57616
#define ID_FILE_MRU_FILE1               57616
#define ID_FILE_MRU_FILE2               57617
#define ID_FILE_MRU_FILE3               57618
#define ID_FILE_MRU_FILE4               57619
#define ID_FILE_MRU_FILE5               57620
#define ID_FILE_MRU_FILE6               57621
#define ID_FILE_MRU_FILE7               57622
#define ID_FILE_MRU_FILE8               57623
#define ID_FILE_MRU_FILE9               57624
#define ID_FILE_MRU_FILE10              57625
#define ID_FILE_MRU_FILE11              57626
#define ID_FILE_MRU_FILE12              57627
#define ID_FILE_MRU_FILE13              57628
#define ID_FILE_MRU_FILE14              57629
#define ID_FILE_MRU_FILE15              57630
#define ID_FILE_MRU_FILE16              57631
#define ID_FILE_MRU_LAST                57631

// Edit menu
#define ID_EDIT_CLEAR                   57632
#define ID_EDIT_CLEAR_ALL               57633
#define ID_EDIT_COPY                    57634
#define ID_EDIT_CUT                     57635
#define ID_EDIT_FIND                    57636
#define ID_EDIT_PASTE                   57637
#define ID_EDIT_PASTE_LINK              57638
#define ID_EDIT_PASTE_SPECIAL           57639
#define ID_EDIT_REPEAT                  57640
#define ID_EDIT_REPLACE                 57641
#define ID_EDIT_SELECT_ALL              57642
#define ID_EDIT_UNDO                    57643
#define ID_EDIT_REDO                    57644

// Window and application commands
#define ID_WINDOW_NEW                   57648
#define ID_WINDOW_ARRANGE               57649
#define ID_WINDOW_CASCADE               57650
#define ID_WINDOW_TILE_HORZ             57651
#define ID_WINDOW_TILE_VERT             57652
#define ID_WINDOW_SPLIT                 57653
#define ID_APP_ABOUT                    57664
#define ID_APP_EXIT                     57665
#define ID_HELP_INDEX                   57666
#define ID_HELP_FINDER                  57667
#define ID_HELP_USING                   57668
#define ID_CONTEXT_HELP                 57669
#define ID_HELP                         57670
#define ID_DEFAULT_HELP                 57671
#define ID_NEXT_PANE                    57680
#define ID_PREV_PANE                    57681

// Status bar indicators
#define ID_INDICATOR_EXT                59136
#define ID_INDICATOR_CAPS               59137
#define ID_INDICATOR_NUM                59138
#define ID_INDICATOR_SCRL               59139
#define ID_INDICATOR_OVR                59140
#define ID_INDICATOR_REC                59141
#define ID_INDICATOR_KANA               59142

// View menu: the bars
#define ID_VIEW_TOOLBAR                 59392
#define ID_VIEW_STATUS_BAR              59393

// Strings
#define AFX_IDS_APP_TITLE               57344
#define AFX_IDS_IDLEMESSAGE             57345
#define AFX_IDS_HELPMODEMESSAGE         57346

// Window ids of the frame's children
#define AFX_IDW_TOOLBAR                 0xE800
#define AFX_IDW_STATUS_BAR              0xE801
#define AFX_IDW_PREVIEW_BAR             0xE802
#define AFX_IDW_RESIZE_BAR              0xE803
#define AFX_IDW_DOCKBAR_TOP             0xE81B
#define AFX_IDW_DOCKBAR_LEFT            0xE81C
#define AFX_IDW_DOCKBAR_RIGHT           0xE81D
#define AFX_IDW_DOCKBAR_BOTTOM          0xE81E
#define AFX_IDW_DOCKBAR_FLOAT           0xE81F
#define AFX_IDW_CONTROLBAR_FIRST        0xE800
#define AFX_IDW_CONTROLBAR_LAST         0xE8FF
#define AFX_IDW_PANE_FIRST              0xE900
#define AFX_IDW_PANE_LAST               0xE9FF

// Resources
#define IDR_MAINFRAME                   128

#endif
