// Message maps, command targets and command-update objects.
//
// A message map is a static table per class, chained to the table of its base class:
//
//     class CMyView : public CView {
//         ...
//         afx_msg void OnEditCopy();
//         afx_msg void OnUpdateEditCopy(CCmdUI* pCmdUI);
//         DECLARE_MESSAGE_MAP()
//     };
//     BEGIN_MESSAGE_MAP(CMyView, CView)
//         ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
//         ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
//     END_MESSAGE_MAP()
//
// Each entry holds the message, the notification code, an id range and a thunk: a small
// function instantiated from the handler's member pointer that unpacks the message into the
// handler's arguments. The thunk is chosen by the ON_ macro and insists on the handler's
// exact signature, so a handler with the wrong arguments does not compile.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "classlib/Object.h"

class CCmdTarget;
class CCmdUI;
class CWnd;
class CMenu;

#ifndef afx_msg
#define afx_msg
#endif

// Codes of OnCmdMsg: a command, the question for its update state, or a control
// notification code (0..0xFFFF). WM_NOTIFY codes travel as MAKELONG(code, WM_NOTIFY).
#define CN_COMMAND              0
#define CN_UPDATE_COMMAND_UI    (-1)
// A control's own handlers for what its parent would be asked travel under the parent's
// message plus this base; a bar asks its reflected update handler with
// MAKELONG(CN_UPDATE_COMMAND_UI, WM_COMMAND + WM_REFLECT_BASE) and id 0.
#define WM_REFLECT_BASE         0xBC00

// The framework's private messages.
#define WM_SIZEPARENT           0x0361  // lParam AFX_SIZEPARENTPARAMS*: bars take their room
#define WM_SETMESSAGESTRING     0x0362  // wParam string id, or lParam text: the status line
#define WM_IDLEUPDATECMDUI      0x0363  // wParam TRUE: disable commands without a handler
#define WM_INITIALUPDATE        0x0364  // sent to the views of a new frame
#define WM_POPMESSAGESTRING     0x0375  // put back the status line text after a menu

// Arguments of one dispatch, filled by the window or the command router.
struct AfxMsgCall {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT nID;          // commands and notifications
    int nCode;
    void* pExtra;      // CCmdUI* for update handlers, AFX_NOTIFY* for WM_NOTIFY
    LRESULT result;    // what the window procedure returns
};

// Calls the handler; FALSE only from ON_COMMAND_EX handlers that decline the command.
typedef BOOL (*AfxHandlerThunk)(CCmdTarget* target, AfxMsgCall& call);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;            // WM_COMMAND, WM_NOTIFY or the window message; 0 ends the map
    UINT nCode;               // notification code, CN_UPDATE_COMMAND_UI, or 0
    UINT nID;                 // first id of the range (0 for window messages)
    UINT nLastID;
    const UINT* pnRegistered; // ON_REGISTERED_MESSAGE: the variable holding the message number
    AfxHandlerThunk pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// Filled by OnCmdMsg instead of calling the handler: who would handle the command.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
    AfxHandlerThunk pfn;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() noexcept {}

    // Looks for a handler of the command or notification in this object's map and its
    // bases. With pHandlerInfo it only reports the handler; else it calls it. Derived
    // classes override this to route further (view → document → frame → application).
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

    // The entry of a map chain for a window message (nCode 0, id 0), or null.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message) noexcept;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    friend class CWnd;
};

// The state of one menu item, toolbar button or other user-interface element of a command,
// handed to ON_UPDATE_COMMAND_UI handlers.
class CCmdUI {
public:
    CCmdUI() noexcept {}
    virtual ~CCmdUI() {}

    UINT m_nID = 0;
    UINT m_nIndex = 0;               // position in the menu or in the bar
    CMenu* m_pMenu = nullptr;        // the menu holding the item, or null
    CMenu* m_pSubMenu = nullptr;     // the popup the item opens, or null
    CWnd* m_pOther = nullptr;        // a window (control, bar) instead of a menu item
    BOOL m_bEnableChanged = FALSE;   // a handler called Enable
    BOOL m_bContinueRouting = FALSE;
    UINT m_nIndexMax = 0;            // item count of the menu (the loop in OnInitMenuPopup)
    CMenu* m_pParentMenu = nullptr;  // the menu that opens m_pSubMenu
    HMENU m_hMenu = nullptr;         // the handle of m_pMenu; the operations use this one

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);   // 0 off, 1 on, 2 indeterminate
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCSTR text);

    // An update handler that calls this lets the next target in the route decide.
    void ContinueRouting() noexcept { m_bContinueRouting = TRUE; }

    // Asks pTarget's route for an update handler; without one and with bDisableIfNoHndler,
    // a command that nobody handles is disabled. Returns whether a handler ran.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};

// The hourglass while the object lives.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    void Restore();
};

// The wait-cursor count of the user-interface thread: +1 shows the hourglass, -1 takes one
// level back, 0 shows it again (after a message box, say).
void AfxDoWaitCursor(int code);

// ---------------------------------------------------------------------------------------
// Map macros

// A late-bound name: the type is looked up when a thunk is instantiated (in the file that
// builds the map), so this header does not need the classes the thunks mention.
template<class Dependent, class T> struct AfxLate { typedef T type; };

template<class P> struct AfxPmfClass;
template<class C, class R, class... A> struct AfxPmfClass<R (C::*)(A...)> { typedef C type; };
template<class C, class R, class... A> struct AfxPmfClass<R (C::*)(A...) noexcept> { typedef C type; };

#define AFX_THUNK_CLASS(pmf) typename AfxPmfClass<decltype(pmf)>::type

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() \
    { \
        using ThisClass [[maybe_unused]] = theClass; \
        using TheBaseClass = baseClass; \
        static const AFX_MSGMAP_ENTRY s_messageEntries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, nullptr, nullptr } \
        }; \
        static const AFX_MSGMAP s_messageMap = { &TheBaseClass::GetThisMessageMap, s_messageEntries }; \
        return &s_messageMap; \
    }

// --- command thunks

template<auto pmf> BOOL AfxThunkCommand(CCmdTarget* t, AfxMsgCall&)
{
    using C = AFX_THUNK_CLASS(pmf);
    void (C::*fn)() = pmf;
    (static_cast<C*>(t)->*fn)();
    return TRUE;
}

template<auto pmf> BOOL AfxThunkCommandId(CCmdTarget* t, AfxMsgCall& c)
{
    using C = AFX_THUNK_CLASS(pmf);
    void (C::*fn)(UINT) = pmf;
    (static_cast<C*>(t)->*fn)(c.nID);
    return TRUE;
}

template<auto pmf> BOOL AfxThunkCommandEx(CCmdTarget* t, AfxMsgCall& c)
{
    using C = AFX_THUNK_CLASS(pmf);
    BOOL (C::*fn)(UINT) = pmf;
    return (static_cast<C*>(t)->*fn)(c.nID);
}

template<auto pmf> BOOL AfxThunkUpdateUI(CCmdTarget* t, AfxMsgCall& c)
{
    using C = AFX_THUNK_CLASS(pmf);
    void (C::*fn)(CCmdUI*) = pmf;
    (static_cast<C*>(t)->*fn)(static_cast<CCmdUI*>(c.pExtra));
    return TRUE;
}

template<auto pmf> BOOL AfxThunkNotify(CCmdTarget* t, AfxMsgCall& c)
{
    using C = AFX_THUNK_CLASS(pmf);
    void (C::*fn)(NMHDR*, LRESULT*) = pmf;
    AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(c.pExtra);
    (static_cast<C*>(t)->*fn)(n->pNMHDR, n->pResult);
    return TRUE;
}

template<auto pmf> BOOL AfxThunkNotifyRange(CCmdTarget* t, AfxMsgCall& c)
{
    using C = AFX_THUNK_CLASS(pmf);
    void (C::*fn)(UINT, NMHDR*, LRESULT*) = pmf;
    AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(c.pExtra);
    (static_cast<C*>(t)->*fn)(c.nID, n->pNMHDR, n->pResult);
    return TRUE;
}

template<auto pmf> BOOL AfxThunkMessage(CCmdTarget* t, AfxMsgCall& c)
{
    using C = AFX_THUNK_CLASS(pmf);
    LRESULT (C::*fn)(WPARAM, LPARAM) = pmf;
    c.result = (static_cast<C*>(t)->*fn)(c.wParam, c.lParam);
    return TRUE;
}

#define AFX_NOTIFY_CODE(code) static_cast<UINT>(static_cast<WORD>(code))

#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), nullptr, \
      &AfxThunkCommand<&ThisClass::memberFxn> },
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    { WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr, \
      &AfxThunkCommandId<&ThisClass::memberFxn> },
// BOOL handler(UINT id): FALSE lets the command travel on to the next target.
#define ON_COMMAND_EX(id, memberFxn) \
    { WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), nullptr, \
      &AfxThunkCommandEx<&ThisClass::memberFxn> },
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn) \
    { WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr, \
      &AfxThunkCommandEx<&ThisClass::memberFxn> },
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    { WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), \
      static_cast<UINT>(id), nullptr, &AfxThunkUpdateUI<&ThisClass::memberFxn> },
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) \
    { WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), \
      static_cast<UINT>(idLast), nullptr, &AfxThunkUpdateUI<&ThisClass::memberFxn> },

// void handler(CCmdUI*): a bar's own update handler for every one of its buttons, asked
// before any handler of the button's id.
#define ON_UPDATE_COMMAND_UI_REFLECT(memberFxn) \
    { WM_COMMAND + WM_REFLECT_BASE, static_cast<UINT>(static_cast<WORD>(CN_UPDATE_COMMAND_UI)), 0, 0, nullptr, \
      &AfxThunkUpdateUI<&ThisClass::memberFxn> },

// Control notifications in WM_COMMAND: void handler().
#define ON_CONTROL(code, id, memberFxn) \
    { WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), \
      nullptr, &AfxThunkCommand<&ThisClass::memberFxn> },
// void handler(UINT id)
#define ON_CONTROL_RANGE(code, id, idLast, memberFxn) \
    { WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(idLast), \
      nullptr, &AfxThunkCommandId<&ThisClass::memberFxn> },

#define ON_BN_CLICKED(id, memberFxn)       ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn)      ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn)     ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn)        ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn)        ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn)      ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn)     ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn)       ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_EN_HSCROLL(id, memberFxn)       ON_CONTROL(EN_HSCROLL, id, memberFxn)
#define ON_EN_VSCROLL(id, memberFxn)       ON_CONTROL(EN_VSCROLL, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn)    ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn)       ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn)     ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn)    ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn)   ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn)   ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn)     ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn)      ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn)     ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELENDCANCEL(id, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn)    ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn)       ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn)     ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn)    ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_LBN_SELCANCEL(id, memberFxn)    ON_CONTROL(LBN_SELCANCEL, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn)      ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn)       ON_CONTROL(STN_DBLCLK, id, memberFxn)

// WM_NOTIFY: void handler(NMHDR*, LRESULT*); the range form gets the id first.
#define ON_NOTIFY(code, id, memberFxn) \
    { WM_NOTIFY, AFX_NOTIFY_CODE(code), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, \
      &AfxThunkNotify<&ThisClass::memberFxn> },
#define ON_NOTIFY_RANGE(code, id, idLast, memberFxn) \
    { WM_NOTIFY, AFX_NOTIFY_CODE(code), static_cast<UINT>(id), static_cast<UINT>(idLast), \
      nullptr, &AfxThunkNotifyRange<&ThisClass::memberFxn> },

// Any message: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    { static_cast<UINT>(message), 0, 0, 0, nullptr, &AfxThunkMessage<&ThisClass::memberFxn> },
// A message number from RegisterWindowMessage, kept in a UINT variable.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
    { 0xC000, 0, 0, 0, &nMessageVariable, &AfxThunkMessage<&ThisClass::memberFxn> },
