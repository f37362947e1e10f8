// CTextDropTarget: where the editor will take text dropped from other windows. Until the
// editor's drag and drop is built it registers nothing and takes nothing, so a drop on the
// pane is refused by the system as on any window without a target.
#pragma once

class CTextEdit;

class CTextDropTarget
{
public:
    explicit CTextDropTarget(CTextEdit* edit) : m_edit(edit), m_registered(false) {}
    // Registering with the window's OLE drop machinery; 0 while there is nothing to register.
    int Register() { return 0; }
    void Revoke() { m_registered = false; }
    bool IsRegistered() const { return m_registered; }
    CTextEdit* Editor() const { return m_edit; }

private:
    CTextEdit* m_edit;
    bool m_registered;
};
