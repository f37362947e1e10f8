// CTextDropTarget: the OLE drop target of a text editor window. It takes CF_UNICODETEXT or
// CF_TEXT dragged onto the editor (from other programs, other editors, or the editor's own
// selection, which then moves unless Ctrl is held); the editor decides and inserts.
#pragma once
#include "classlib/Ole.h"

class CTextEdit;

class CTextDropTarget : public COleDropTarget
{
public:
    explicit CTextDropTarget(CTextEdit* edit) : m_edit(edit) {}

    // Keeps the editor and registers its window; FALSE without a window or without OLE.
    BOOL Register(CTextEdit* edit);
    bool IsRegistered() const { return GetRegisteredWindow() != nullptr; }
    CTextEdit* Editor() const { return m_edit; }

    DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) override;
    void OnDragLeave(CWnd* pWnd) override;
    DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point) override;

private:
    CTextEdit* m_edit;
};
