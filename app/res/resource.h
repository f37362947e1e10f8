// Resource and command ids of Sektorlupe. Only #define lines, so that windres and the
// C++ compiler read the same file.
#ifndef SEKTORLUPE_RESOURCE_H
#define SEKTORLUPE_RESOURCE_H

// The class library's own command, string and window ids. Its header is taken when it is
// there; the guarded numbers below only stand in for it (same values either way).
#if defined(__has_include)
#if __has_include("classlib/AfxRes.h")
#include "classlib/AfxRes.h"
#endif
#endif

#ifndef AFX_IDS_APP_TITLE
#define AFX_IDS_APP_TITLE               57344
#endif
#ifndef AFX_IDS_IDLEMESSAGE
#define AFX_IDS_IDLEMESSAGE             57345
#endif
#ifndef ID_FILE_NEW
#define ID_FILE_NEW                     57600
#endif
#ifndef ID_FILE_OPEN
#define ID_FILE_OPEN                    57601
#endif
#ifndef ID_FILE_PRINT_SETUP
#define ID_FILE_PRINT_SETUP             57606
#endif
#ifndef ID_FILE_MRU_FILE1
#define ID_FILE_MRU_FILE1               57616
#endif
#ifndef ID_FILE_MRU_LAST
#define ID_FILE_MRU_LAST                57631
#endif
#ifndef ID_EDIT_CLEAR
#define ID_EDIT_CLEAR                   57632
#endif
#ifndef ID_EDIT_COPY
#define ID_EDIT_COPY                    57634
#endif
#ifndef ID_EDIT_CUT
#define ID_EDIT_CUT                     57635
#endif
#ifndef ID_EDIT_FIND
#define ID_EDIT_FIND                    57636
#endif
#ifndef ID_EDIT_PASTE
#define ID_EDIT_PASTE                   57637
#endif
#ifndef ID_EDIT_REPLACE
#define ID_EDIT_REPLACE                 57641
#endif
#ifndef ID_EDIT_SELECT_ALL
#define ID_EDIT_SELECT_ALL              57642
#endif
#ifndef ID_EDIT_UNDO
#define ID_EDIT_UNDO                    57643
#endif
#ifndef ID_APP_ABOUT
#define ID_APP_ABOUT                    57664
#endif
#ifndef ID_APP_EXIT
#define ID_APP_EXIT                     57665
#endif
#ifndef ID_VIEW_TOOLBAR
#define ID_VIEW_TOOLBAR                 59392
#endif
#ifndef ID_VIEW_STATUS_BAR
#define ID_VIEW_STATUS_BAR              59393
#endif

// Resources of the document template: menu, accelerators, icon, toolbar and the
// template string share this id.
#ifndef IDR_MAINFRAME
#define IDR_MAINFRAME                   128
#endif

// The About box and its controls.
#define IDD_ABOUTBOX                    100
#define IDC_ABOUT_ICON                  1000
#define IDC_ABOUT_VERSION               1001
#define IDC_ABOUT_LINE2                 1002
#define IDC_ABOUT_LINE3                 1003

// The version shown in the About box and in the version resource.
#define SEKTORLUPE_VERSION_MAJOR        1
#define SEKTORLUPE_VERSION_MINOR        0
#define SEKTORLUPE_VERSION_TEXT         "1.0"

// Commands of the text editor and the hex view that reach the main menu or the toolbar.
#define ID_FIND_WORD                    32772
#define ID_FLAT_TOOLBAR                 32794
#define ID_CHECKSUM                     32799
#define ID_DATA_WINDOW                  32801
#define ID_REDO                         32803
#define ID_FIND_NEXT                    32805
#define ID_REFRESH_DATA_WINDOW          32808
#define ID_MODULE_FILE_TO_LIST          32811
#define ID_MODULE_LIST_LOAD             32812
#define ID_GOTO_ADDRESS                 32813
#define ID_MODULE_LOAD                  32815
#define ID_MODULES_CLEAR                32817
#define ID_DATA_WINDOW_PROPERTIES       32822
#define ID_COPY_CPP                     32826

// Commands of the sector document and the disk view; the document's navigation and medium
// commands are in disk/DiskCommands.h, which the document's message map includes as well.
#include "disk/DiskCommands.h"
#define ID_NUMBER_CONVERTER             32864
#define ID_INFO_VIEW                    32866
#define ID_WRITE_PROTECT                32872
#define ID_DOCK_DATA_WINDOW             32873
#define ID_CHS_CONVERT                  32875
#define ID_CREATE_MBR                   32876

#endif
