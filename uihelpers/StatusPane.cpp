// Where the status-pane requests of a view go.
#include "uihelpers/StatusPane.h"

#include "classlib/WinApp.h"
#include "classlib/Wnd.h"

HWND StatusPaneFrame(HWND own)
{
    CWnd* main = AfxGetMainWnd();
    HWND target = main && main->m_hWnd ? main->m_hWnd : (own ? ::GetAncestor(own, GA_ROOT) : nullptr);
    return target == own ? nullptr : target;
}
