#include "views/HexConfigDialog.h"

#include "classlib/Dialog.h"
#include "classlib/DlgTemplate.h"
#include "uihelpers/EditExchange.h"
#include "views/HexView.h"

namespace {

const DWORD kLabel = static_cast<DWORD>(-1);
const int kMaxBytes = CHexLayout::kMaxBytesPerLine;

// Status mode bits the dialog shows; the others are kept.
const uint32_t kStatusSize = 0x0003;
const uint32_t kStatusHexDistances = 0x2000;
const uint32_t kStatusBigEndian = 0x4000;
const uint32_t kStatusPositive = 0x8000;

int Clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The settings behind the dialog

int CHexView::GetSetting(int index) const
{
    const CHexLayout& L = m_model.Layout();
    switch (index)
    {
    case HEXSET_BYTES_PER_LINE: return L.RequestedBytesPerLine();
    case HEXSET_EXTRA_INTERVAL: return L.RequestedExtraInterval();
    case HEXSET_INSERT_SPACE: return L.InsertSpace();
    case HEXSET_RASTER: return L.RequestedRaster();
    case HEXSET_WIDTH_RASTER: return L.RequestedWidthRaster();
    case HEXSET_MODE: return static_cast<int>(m_model.Mode());
    case HEXSET_STATUS_MODE: return static_cast<int>(m_statusMode);
    case HEXSET_ADDRESS_DIGITS: return L.AddressDigits();
    case HEXSET_GROUP_LOG2: return L.GroupLog2();
    case HEXSET_INVERT_MASK: return L.InvertMask();
    case HEXSET_SELECTION_RASTER: return m_model.SelectionRaster() ? 1 : 0;
    default: return 0;
    }
}

HexConfigFields FillHexConfig(const int settings[HEXSET_COUNT])
{
    HexConfigFields f;
    const uint32_t mode = static_cast<uint32_t>(settings[HEXSET_MODE]);
    const uint32_t status = static_cast<uint32_t>(settings[HEXSET_STATUS_MODE]);
    f.insertSpace = settings[HEXSET_INSERT_SPACE] != 0;
    const int interval = settings[HEXSET_EXTRA_INTERVAL];
    f.extraOn = interval >= 1 && interval <= kMaxBytes;
    f.interval = f.extraOn ? interval : 4;
    f.fixedOn = !(mode & HVM_AUTO_WIDTH);
    f.lineWidth = settings[HEXSET_BYTES_PER_LINE];
    f.rasterOn = (mode & HVM_RASTER) != 0;
    f.raster = settings[HEXSET_RASTER];
    f.widthRasterOn = (mode & HVM_WIDTH_RASTER) != 0;
    f.widthRaster = settings[HEXSET_WIDTH_RASTER];
    if (!f.widthRasterOn && f.widthRaster < 2)
        f.widthRaster = 4;
    f.digits = settings[HEXSET_ADDRESS_DIGITS];
    f.groupLog2 = settings[HEXSET_GROUP_LOG2] & 3;
    f.valueSize = static_cast<int>(status & kStatusSize) == 3 ? 2 : static_cast<int>(status & kStatusSize);
    f.positive = (status & kStatusPositive) != 0;
    f.bigEndian = (status & kStatusBigEndian) != 0;
    f.hexDistances = (status & kStatusHexDistances) != 0;
    f.invert = settings[HEXSET_INVERT_MASK] != 0;
    f.selectionRaster = settings[HEXSET_SELECTION_RASTER] != 0;
    f.statusMode = status;
    // Filling validates as every change does. A mode word with both a fixed width and a width
    // raster (a "HexFlags" value set outside the program) shows the fixed width alone, the
    // width the view lays its lines out with.
    ValidateHexConfig(&f, 0);
    return f;
}

void ValidateHexConfig(HexConfigFields* f, int switchedOn)
{
    if (!f)
        return;
    f->interval = Clamp(f->interval, 1, kMaxBytes);
    f->lineWidth = Clamp(f->lineWidth, 1, kMaxBytes);
    f->raster = Clamp(f->raster, 1, kMaxBytes);
    f->widthRaster = Clamp(f->widthRaster, 1, kMaxBytes);
    f->digits = Clamp(f->digits, 1, 8);
    f->groupLog2 = Clamp(f->groupLog2, 0, 3);
    f->valueSize = Clamp(f->valueSize, 0, 2);
    // A fixed width and a width raster exclude each other: the one switched on wins.
    if (f->fixedOn && f->widthRasterOn)
    {
        if (switchedOn == IDC_HC_WIDTH_RASTER_ON)
            f->fixedOn = 0;
        else
            f->widthRasterOn = 0;
    }
}

HexConfigResult HexConfigToSettings(const HexConfigFields& f)
{
    HexConfigResult r;
    r.lineWidth = f.lineWidth;
    r.interval = f.extraOn ? f.interval : 0;
    r.insertSpace = f.insertSpace ? 1 : 0;
    r.digits = f.digits;
    r.groupLog2 = f.groupLog2;
    r.invert = f.groupLog2 > 0 && f.invert ? 1 : 0;
    r.widthOrFixed = f.fixedOn ? -f.lineWidth : f.widthRasterOn ? f.widthRaster : 0;
    r.raster = f.rasterOn ? f.raster : 0;
    r.statusMode = (f.statusMode & ~(kStatusSize | kStatusHexDistances | kStatusBigEndian | kStatusPositive)) |
                   static_cast<uint32_t>(f.valueSize) | (f.positive ? kStatusPositive : 0) |
                   (f.bigEndian ? kStatusBigEndian : 0) | (f.hexDistances ? kStatusHexDistances : 0);
    // The box as it stands, also while it is greyed: it only snaps with groups above a byte,
    // and comes back checked when the groups are widened again.
    r.selectionRaster = f.selectionRaster ? 1 : 0;
    return r;
}

// ---------------------------------------------------------------------------------------------
// The dialog

namespace {

bool BuildConfigTemplate(CDlgTemplateBuilder& b)
{
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    const DWORD number = ES_AUTOHSCROLL | ES_NUMBER | WS_BORDER | WS_TABSTOP;
    const DWORD radio = BS_AUTORADIOBUTTON;
    struct Row { DWORD check; const char* text; DWORD edit; };
    static const Row kRows[4] = {
        { IDC_HC_EXTRA_ON, "Ein extra Leerzeichen alle ", IDC_HC_EXTRA },
        { IDC_HC_FIXED_ON, "Fixe Breite von ", IDC_HC_FIXED },
        { IDC_HC_RASTER_ON, "Adresse einrasten alle ", IDC_HC_RASTER },
        { IDC_HC_WIDTH_RASTER_ON, "Breiten Raster", IDC_HC_WIDTH_RASTER },
    };
    bool ok = b.Begin("Konfiguration", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 252, 181,
                      "MS Sans Serif", 8, FALSE)
        && b.AddButton(IDC_HC_INSERT_SPACE, "Ein Leerzeichen zwischen den Werten", check, 7, 7, 180, 10);
    for (int i = 0; ok && i < 4; ++i)
    {
        short y = static_cast<short>(21 + 14 * i);
        ok = b.AddButton(kRows[i].check, kRows[i].text, check, 7, y, 100, 10)
            && b.AddEdit(kRows[i].edit, "", number, 110, static_cast<short>(y - 1), 28, 12)
            && b.AddStatic(kLabel, "Bytes", SS_LEFT, 142, y, 30, 8);
    }
    return ok
        && b.AddStatic(kLabel, "Adressenziffern Anzahl", SS_LEFT, 7, 79, 100, 8)
        && b.AddEdit(IDC_HC_DIGITS, "", number, 110, 77, 28, 12)
        && b.AddButton(kLabel, "Ausgabeformat", BS_GROUPBOX, 7, 93, 118, 36)
        && b.AddButton(IDC_HC_FORMAT_FIRST, "Byte", radio | WS_GROUP | WS_TABSTOP, 13, 104, 45, 10)
        && b.AddButton(IDC_HC_FORMAT_FIRST + 1, "Word", radio, 65, 104, 45, 10)
        && b.AddButton(IDC_HC_FORMAT_FIRST + 2, "DWord", radio, 13, 116, 45, 10)
        && b.AddButton(IDC_HC_FORMAT_FIRST + 3, "QWord", radio, 65, 116, 45, 10)
        && b.AddButton(kLabel, "Wertanzeige", BS_GROUPBOX | WS_GROUP, 130, 93, 115, 36)
        && b.AddButton(IDC_HC_VALUE_FIRST, "Byte", radio | WS_GROUP | WS_TABSTOP, 136, 104, 45, 10)
        && b.AddButton(IDC_HC_VALUE_FIRST + 1, "Word", radio, 188, 104, 45, 10)
        && b.AddButton(IDC_HC_VALUE_FIRST + 2, "DWord", radio, 136, 116, 45, 10)
        && b.AddButton(IDC_HC_POSITIVE, "Als positive Zahlen anzeigen", check | WS_GROUP, 7, 134, 118, 10)
        && b.AddButton(IDC_HC_BIG_ENDIAN, "Big Edinan Format", check, 130, 134, 115, 10)
        && b.AddButton(IDC_HC_HEX_DISTANCES, "Hexadezimale Distanzen ", check, 7, 147, 118, 10)
        && b.AddButton(IDC_HC_INVERT, "Byte-Reihenfolge invertieren", check, 130, 147, 115, 10)
        && b.AddButton(IDC_HC_SELECTION_RASTER, "Auswahl auf Ausgabeformat rastern", check, 7, 160, 180, 10)
        && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 195, 7, 50, 14)
        && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 195, 24, 50, 14);
}

class CHexConfigDlg : public CDialog
{
public:
    CHexConfigDlg(CWnd* parent, const HexConfigFields& fields) : m_fields(fields), m_changing(0)
    {
        m_pParentWnd = parent;
    }

    INT_PTR Run()
    {
        if (!BuildConfigTemplate(m_template) || !InitModalIndirect(m_template.GetTemplate(), m_pParentWnd))
            return -1;
        return DoModal();
    }

    const HexConfigFields& Fields() const { return m_fields; }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        EnableFields();
        return TRUE;
    }

    void OnOK() override
    {
        UpdateData(TRUE);
        ValidateHexConfig(&m_fields, 0);
        EndDialog(IDOK);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Check(pDX, IDC_HC_INSERT_SPACE, m_fields.insertSpace);
        DDX_Check(pDX, IDC_HC_EXTRA_ON, m_fields.extraOn);
        DDX_Check(pDX, IDC_HC_FIXED_ON, m_fields.fixedOn);
        DDX_Check(pDX, IDC_HC_RASTER_ON, m_fields.rasterOn);
        DDX_Check(pDX, IDC_HC_WIDTH_RASTER_ON, m_fields.widthRasterOn);
        DDX_Radio(pDX, IDC_HC_FORMAT_FIRST, m_fields.groupLog2);
        DDX_Radio(pDX, IDC_HC_VALUE_FIRST, m_fields.valueSize);
        DDX_Check(pDX, IDC_HC_POSITIVE, m_fields.positive);
        DDX_Check(pDX, IDC_HC_BIG_ENDIAN, m_fields.bigEndian);
        DDX_Check(pDX, IDC_HC_HEX_DISTANCES, m_fields.hexDistances);
        DDX_Check(pDX, IDC_HC_INVERT, m_fields.invert);
        DDX_Check(pDX, IDC_HC_SELECTION_RASTER, m_fields.selectionRaster);
        ExchangeNumber(pDX, IDC_HC_EXTRA, m_fields.interval);
        ExchangeNumber(pDX, IDC_HC_FIXED, m_fields.lineWidth);
        ExchangeNumber(pDX, IDC_HC_RASTER, m_fields.raster);
        ExchangeNumber(pDX, IDC_HC_WIDTH_RASTER, m_fields.widthRaster);
        ExchangeNumber(pDX, IDC_HC_DIGITS, m_fields.digits);
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        // The dialog's own loading of its fields is not the user's doing.
        if (m_bLockNotify && lParam)
            return TRUE;
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        const bool edit = id == IDC_HC_EXTRA || id == IDC_HC_FIXED || id == IDC_HC_RASTER ||
                          id == IDC_HC_WIDTH_RASTER || id == IDC_HC_DIGITS;
        if ((edit && code == EN_CHANGE) || (!edit && id >= IDC_HC_INSERT_SPACE && id <= IDC_HC_SELECTION_RASTER &&
                                            code == BN_CLICKED))
        {
            OnFieldChanged(id);
            return TRUE;
        }
        if (edit && code == EN_KILLFOCUS)
        {
            OnFieldChanged(0);
            return TRUE;
        }
        return CDialog::OnCommand(wParam, lParam);
    }

private:
    // The field being typed into keeps its text as typed: a value checked into its range is
    // written there only once the field is left. Rewritten under the caret, a first "0" of
    // "08" would become "1" with the caret in front of it, and the "8" typed next would make
    // it "81"; an emptied field would be filled in behind the user's back (OK takes its
    // value in range all the same).
    void ExchangeNumber(CDataExchange* pDX, int id, int& value)
    {
        if (!pDX->m_bSaveAndValidate && id == m_editing)
            return;
        DdxInt(pDX, id, value);
    }

    // `id`: the control the user changed; 0 when a field was left (every field is then
    // written as checked).
    void OnFieldChanged(int id)
    {
        if (m_changing)
            return;
        m_changing = 1;
        m_editing = id;
        UpdateData(TRUE);
        const bool switchedOn = id && ::SendMessageA(::GetDlgItem(m_hWnd, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        ValidateHexConfig(&m_fields, switchedOn ? id : 0);
        UpdateData(FALSE);
        EnableFields();
        m_editing = 0;
        m_changing = 0;
    }

    void EnableFields()
    {
        const bool groups = m_fields.groupLog2 > 0;
        const int pairs[6][2] = { { IDC_HC_EXTRA, m_fields.extraOn }, { IDC_HC_FIXED, m_fields.fixedOn },
                                  { IDC_HC_RASTER, m_fields.rasterOn }, { IDC_HC_WIDTH_RASTER, m_fields.widthRasterOn },
                                  { IDC_HC_INVERT, groups }, { IDC_HC_SELECTION_RASTER, groups } };
        for (const auto& p : pairs)
            ::EnableWindow(::GetDlgItem(m_hWnd, p[0]), p[1] != 0);
    }

    HexConfigFields m_fields;
    CDlgTemplateBuilder m_template;
    int m_changing;
    int m_editing = 0;
};

}  // namespace

INT_PTR RunHexConfigDialog(CHexView* view)
{
    if (!view)
        return -1;
    int settings[HEXSET_COUNT];
    for (int i = 0; i < HEXSET_COUNT; ++i)
        settings[i] = view->GetSetting(i);
    CHexConfigDlg dialog(view->GetSafeHwnd() ? view : nullptr, FillHexConfig(settings));
    INT_PTR result = dialog.Run();
    if (result != IDOK)
        return result;
    HexConfigResult r = HexConfigToSettings(dialog.Fields());
    view->Model().Relayout(r.lineWidth, r.interval, r.insertSpace, r.digits, r.groupLog2, r.invert);
    view->SetRasters(r.widthOrFixed, r.raster, r.statusMode, r.selectionRaster);
    view->SendNotify(HEXVIEW_NOTIFY_SETTINGS, 0, 0);
    return result;
}
