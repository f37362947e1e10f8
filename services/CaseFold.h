// Case folding of code page 1252 text, shared by the services that compare names without
// regard to case (file extensions, sorted text lists). Only letters are folded: A-Z and the
// accented capitals 0xC0-0xDE (except 0xD7, the multiplication sign) map to their small
// forms, as do the three capitals of 0x8A/0x8C/0x8E and 0x9F that CP1252 adds.
#pragma once

inline unsigned char FoldCase1252(unsigned char ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return static_cast<unsigned char>(ch + 0x20);
    if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7)
        return static_cast<unsigned char>(ch + 0x20);
    if (ch == 0x8A || ch == 0x8C || ch == 0x8E)
        return static_cast<unsigned char>(ch + 0x10);
    if (ch == 0x9F)
        return 0xFF;
    return ch;
}

// Compares two byte ranges: by unsigned byte value, the shorter first when one is a prefix
// of the other. With `noCase` the bytes are folded first. Returns <0, 0 or >0.
inline int CompareBytes1252(const char* a, int lengthA, const char* b, int lengthB, bool noCase)
{
    int n = lengthA < lengthB ? lengthA : lengthB;
    for (int i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (noCase) {
            ca = FoldCase1252(ca);
            cb = FoldCase1252(cb);
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
}
