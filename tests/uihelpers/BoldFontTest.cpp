// The bold variant of a font: described from the font's own metrics and face, as GDI
// reports them for the font given, never from fixed sizes (the fonts are substitutes here).
#include "uihelpers/UiFonts.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

struct Looked {
    LOGFONTA lf;
    TEXTMETRICA tm;
    std::string face;
};

Looked Look(HFONT font)
{
    Looked l = {};
    GetObjectA(font, sizeof l.lf, &l.lf);
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsA(dc, &l.tm);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    l.face = face;
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return l;
}

}  // namespace

TEST(BoldFont, TakesHeightWidthAndFaceFromTheFontsOwnMetrics)
{
    // Sources of every kind: the interface font, an italic underlined struck-out one, a face
    // the system has to replace (the bold one takes the face really used), a symbol
    // character set, and a font asked for by its cell height.
    const struct { const char* face; int height; BYTE italic, underline, strike, charSet, pitch; } kSources[] = {
        { nullptr, 0, 0, 0, 0, 0, 0 },
        { "Arial", -19, 1, 1, 1, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS },
        { "Keine Schrift Dieses Namens", -15, 0, 0, 0, DEFAULT_CHARSET, 0 },
        { "Courier New", -13, 0, 1, 0, SYMBOL_CHARSET, FIXED_PITCH | FF_MODERN },
        { "Times New Roman", 22, 1, 0, 0, ANSI_CHARSET, VARIABLE_PITCH | FF_ROMAN },
    };
    for (const auto& s : kSources) {
        SCOPED_TRACE(s.face ? s.face : "interface font");
        HFONT source = GetUiFont(UIFONT_NORMAL);
        HFONT made = NULL;
        if (s.face) {
            LOGFONTA lf = {};
            lf.lfHeight = s.height;
            lf.lfWeight = FW_NORMAL;
            lf.lfItalic = s.italic;
            lf.lfUnderline = s.underline;
            lf.lfStrikeOut = s.strike;
            lf.lfCharSet = s.charSet;
            lf.lfPitchAndFamily = s.pitch;
            lstrcpynA(lf.lfFaceName, s.face, LF_FACESIZE);
            source = made = CreateFontIndirectA(&lf);
        }
        ASSERT_NE(nullptr, source);
        const Looked from = Look(source);
        HFONT bold = MakeBoldFont(source);
        ASSERT_NE(nullptr, bold);
        EXPECT_EQ(bold, MakeBoldFont(source)) << "not the cached font";
        const Looked to = Look(bold);
        // The description: character height and average width of the source, its face as
        // used, its style bits and character set, bold, escapement 1 and precision 5.
        EXPECT_EQ(-(from.tm.tmHeight - from.tm.tmInternalLeading), to.lf.lfHeight);
        EXPECT_EQ(from.tm.tmAveCharWidth, to.lf.lfWidth);
        EXPECT_EQ(from.face, std::string(to.lf.lfFaceName));
        EXPECT_EQ(FW_BOLD, to.lf.lfWeight);
        EXPECT_EQ(1, to.lf.lfEscapement);
        EXPECT_EQ(5, to.lf.lfOutPrecision);
        EXPECT_EQ(from.lf.lfItalic, to.lf.lfItalic);
        EXPECT_EQ(from.lf.lfUnderline, to.lf.lfUnderline);
        EXPECT_EQ(from.lf.lfStrikeOut, to.lf.lfStrikeOut);
        EXPECT_EQ(from.lf.lfCharSet, to.lf.lfCharSet);
        EXPECT_EQ(from.lf.lfPitchAndFamily, to.lf.lfPitchAndFamily);
        // The font made from it: the same character height and face, bold.
        EXPECT_EQ(from.tm.tmHeight - from.tm.tmInternalLeading, to.tm.tmHeight - to.tm.tmInternalLeading);
        EXPECT_EQ(FW_BOLD, to.tm.tmWeight);
        EXPECT_EQ(from.tm.tmItalic, to.tm.tmItalic);
        EXPECT_EQ(from.face, to.face);
        if (made)
            DeleteObject(made);
    }
}
