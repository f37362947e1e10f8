// The whole class library in one include.
#pragma once
#include "classlib/AfxRes.h"
#include "classlib/Geometry.h"
#include "classlib/String.h"
#include "classlib/Object.h"
#include "classlib/Archive.h"
#include "classlib/CmdTarget.h"
#include "classlib/Wnd.h"
#include "classlib/Sync.h"
#include "classlib/WinApp.h"
#include "classlib/RecentFileList.h"
#include "classlib/DocView.h"
#include "classlib/FrameWnd.h"
#include "classlib/ControlBar.h"
#if __has_include("classlib/Gdi.h")
#include "classlib/Gdi.h"
#endif
#if __has_include("classlib/Controls.h")
#include "classlib/Controls.h"
#endif
#if __has_include("classlib/Ddx.h")
#include "classlib/Ddx.h"
#endif
#if __has_include("classlib/DlgTemplate.h")
#include "classlib/DlgTemplate.h"
#endif
#if __has_include("classlib/Dialog.h")
#include "classlib/Dialog.h"
#endif
#if __has_include("classlib/FileDialog.h")
#include "classlib/FileDialog.h"
#endif
#if __has_include("classlib/Ole.h")
#include "classlib/Ole.h"
#endif
