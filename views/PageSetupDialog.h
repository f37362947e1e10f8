// "Seite einrichten": the page layout for printing text — header and footer with field
// codes, lines per page, margins, print colour and frame options.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "classlib/Dialog.h"

class CDlgTemplateBuilder;

// Flags of PageSetupInfo.
enum PageSetupFlags : uint32_t
{
    PSF_BLACK_WHITE = 0x01,
    PSF_GREY = 0x02,
    PSF_COLOR = 0x04,
    PSF_WRAP = 0x08,        // line break at the page edge
    PSF_SAME_FONT = 0x10,
    PSF_FRAME = 0x20,
    PSF_FILL_FRAME = 0x40,
};

struct PageSetupInfo
{
    int32_t linesPerPage;
    int32_t topMargin;       // mm
    int32_t bottomMargin;
    int32_t leftMargin;
    int32_t rightMargin;
    uint32_t flags;
    char* header;            // malloc'd; the dialog frees the old text on OK
    char* footer;
};

enum PageSetupControl
{
    IDC_PS_WRAP = 1030,
    IDC_PS_SAME_FONT = 1031,
    IDC_PS_FILL_FRAME = 1032,
    IDC_PS_FRAME = 1033,
    IDC_PS_BLACK_WHITE = 1034,
    IDC_PS_GREY = 1035,
    IDC_PS_HEADER_CODES = 1037,
    IDC_PS_HEADER = 1040,
    IDC_PS_TOP = 1043,
    IDC_PS_BOTTOM = 1044,
    IDC_PS_LEFT = 1045,
    IDC_PS_RIGHT = 1046,
    IDC_PS_COLOR = 1047,
    IDC_PS_FOOTER = 1048,
    IDC_PS_FOOTER_CODES = 1049,
    IDC_PS_LINES = 1050,
};

// The field codes of the two code buttons' menu (ids 2000 to 2010).
const int kPageFieldCodeFirst = 2000;
const int kPageFieldCodeCount = 11;
extern const char* const kPageFieldCodeItems[kPageFieldCodeCount];
extern const char* const kPageFieldCodes[kPageFieldCodeCount];

// Inserts a field code into a field's text (up to 255 characters) at `position`; the codes
// that print a value ("&C", "Seite &N", "&D", "&P", "&T", "&Z") get a blank before them when
// a non-blank stands before, and after them when text not beginning with a blank follows.
// Returns the caret position after the code; `out` holds at least 300 characters.
int InsertFieldCode(const char* text, int position, const char* code, char* out, int size);

// A margin or line count field's number: an integer as the library reads it, up to where it
// stops ("12x" is 12); a field without digits ("", "abc") is 0.
int ReadPageSetupNumber(const char* text);

// The OK check: 0 when the values are good; 1 for a margin outside 0..100 (*focus the first
// such field: 0 top, 1 bottom, 2 left, 3 right); 2 for a line count outside 20..250.
int CheckPageSetup(const int margins[4], int lines, int* focus);

class CPageSetupDlg : public CDialog
{
public:
    explicit CPageSetupDlg(CWnd* parent);
    ~CPageSetupDlg() override;

    // IDOK with the record holding the new values, else the record is unchanged.
    INT_PTR Run(PageSetupInfo* record);

    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ChooseFieldCode(int button);

    PageSetupInfo* m_record;
    CDlgTemplateBuilder* m_template;
};
