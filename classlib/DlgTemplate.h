// Dialog templates built in memory: the program's own dialogs carry no resources, so their
// DLGTEMPLATE or DLGTEMPLATEEX is put together at run time and handed to CDialog.
#pragma once
#include <windows.h>

// Ordinals of the predefined control classes, as a template stores them (0xFFFF, ordinal).
enum DlgTemplateClassOrdinal : WORD {
    DLGCLASS_BUTTON    = 0x0080,
    DLGCLASS_EDIT      = 0x0081,
    DLGCLASS_STATIC    = 0x0082,
    DLGCLASS_LISTBOX   = 0x0083,
    DLGCLASS_SCROLLBAR = 0x0084,
    DLGCLASS_COMBOBOX  = 0x0085
};

// Builds one template in a heap block owned by the builder. Texts are 8-bit (code page of the
// process) and are stored as UTF-16. Every item starts on a DWORD boundary, as the dialog
// manager requires. After a failed allocation the builder stays failed until the next Begin,
// and GetTemplate returns NULL, so a caller that checks only once still cannot run half a
// template.
class CDlgTemplateBuilder {
public:
    CDlgTemplateBuilder();
    ~CDlgTemplateBuilder();
    CDlgTemplateBuilder(const CDlgTemplateBuilder&) = delete;
    CDlgTemplateBuilder& operator=(const CDlgTemplateBuilder&) = delete;

    // Starts a new template, dropping the previous one. A non-empty font name sets DS_SETFONT
    // (the point size goes with it); NULL or "" clears DS_SETFONT, since the font block must be
    // present exactly when that bit is. extended: DLGTEMPLATEEX (signature 0xFFFF) instead of
    // DLGTEMPLATE. A NULL caption is an empty one.
    BOOL Begin(LPCSTR caption, DWORD style, short x, short y, short cx, short cy,
               LPCSTR fontName = "MS Sans Serif", WORD pointSize = 8,
               BOOL extended = TRUE, DWORD exStyle = 0);

    // Adds a control. className is a class name ("msctls_progress32", "SysListView32", ...)
    // or MAKEINTRESOURCEA of an ordinal (DLGCLASS_*); the names "Button", "Edit", "Static",
    // "ListBox", "ScrollBar" and "ComboBox" are stored as their ordinals. text is a text,
    // MAKEINTRESOURCEA of a resource id (an icon or bitmap of a static), or NULL for none.
    // WS_CHILD | WS_VISIBLE are always added, as the resource compiler does; a control that
    // must start hidden is hidden in OnInitDialog. A plain DLGTEMPLATE has 16-bit ids: larger
    // ids other than (DWORD)-1 are refused there.
    BOOL AddControl(LPCSTR className, DWORD id, DWORD style, DWORD exStyle,
                    short x, short y, short cx, short cy, LPCSTR text = NULL);

    BOOL AddButton(DWORD id, LPCSTR text, DWORD style, short x, short y, short cx, short cy,
                   DWORD exStyle = 0)
    { return AddControl(MAKEINTRESOURCEA(DLGCLASS_BUTTON), id, style, exStyle, x, y, cx, cy, text); }
    BOOL AddEdit(DWORD id, LPCSTR text, DWORD style, short x, short y, short cx, short cy,
                 DWORD exStyle = 0)
    { return AddControl(MAKEINTRESOURCEA(DLGCLASS_EDIT), id, style, exStyle, x, y, cx, cy, text); }
    BOOL AddStatic(DWORD id, LPCSTR text, DWORD style, short x, short y, short cx, short cy,
                   DWORD exStyle = 0)
    { return AddControl(MAKEINTRESOURCEA(DLGCLASS_STATIC), id, style, exStyle, x, y, cx, cy, text); }
    BOOL AddListBox(DWORD id, DWORD style, short x, short y, short cx, short cy, DWORD exStyle = 0)
    { return AddControl(MAKEINTRESOURCEA(DLGCLASS_LISTBOX), id, style, exStyle, x, y, cx, cy, NULL); }
    BOOL AddScrollBar(DWORD id, DWORD style, short x, short y, short cx, short cy, DWORD exStyle = 0)
    { return AddControl(MAKEINTRESOURCEA(DLGCLASS_SCROLLBAR), id, style, exStyle, x, y, cx, cy, NULL); }
    BOOL AddComboBox(DWORD id, DWORD style, short x, short y, short cx, short cy, DWORD exStyle = 0)
    { return AddControl(MAKEINTRESOURCEA(DLGCLASS_COMBOBOX), id, style, exStyle, x, y, cx, cy, NULL); }

    // The finished template (valid until the next Begin or the destructor), or NULL before
    // Begin and after a failure. An extended template is returned as DLGTEMPLATE* too, as
    // DialogBoxIndirectParam and CDialog::InitModalIndirect take it.
    const DLGTEMPLATE* GetTemplate() const { return m_failed ? NULL : reinterpret_cast<const DLGTEMPLATE*>(m_block); }
    DWORD GetSize() const { return m_failed ? 0 : m_size; }
    WORD GetItemCount() const { return m_items; }
    BOOL IsExtended() const { return m_extended; }

    void Reset();

private:
    BOOL Reserve(DWORD extra);
    BOOL PutBytes(const void* data, DWORD n);
    BOOL PutWord(WORD w) { return PutBytes(&w, sizeof w); }
    BOOL PutDword(DWORD d) { return PutBytes(&d, sizeof d); }
    BOOL PutText(LPCSTR text);            // UTF-16 with its terminating zero
    BOOL PutNameOrOrdinal(LPCSTR name);   // ordinal form for MAKEINTRESOURCE values
    BOOL AlignToDword();
    BOOL Fail();

    BYTE* m_block;
    DWORD m_size;
    DWORD m_capacity;
    WORD m_items;
    BOOL m_extended;
    BOOL m_failed;
};
