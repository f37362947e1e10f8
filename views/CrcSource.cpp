// The C source the CRC calculator writes for one of its algorithms: the table the dialog
// computed, a function that runs the algorithm with the dialog's start value, and a function
// that builds the same table again. The final inversion is the caller's business.
// The POLYNOM of algorithms A and B is the polynomial field's text as it stands (the user's
// own spelling when it was typed there); C's polynomial with its extra top bit is no field's
// text and is written as a value.
#include "views/CrcModel.h"

#include <stdarg.h>
#include <stdio.h>

namespace {

const char kEol[] = "\r\n";

// Appends one formatted line (with its line end unless `last`).
void Line(CString& out, const char* format, ...)
{
    char line[160];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    out += line;
    out += kEol;
}

CString Value(uint64_t value, unsigned width)
{
    char text[20];
    FormatCrcValue(value, width, text);
    return CString(text);
}

const char* RegisterType(unsigned width)
{
    return width > 32 ? "unsigned __int64" : width > 16 ? "unsigned int" : width > 8 ? "unsigned short" : "unsigned char";
}

// "};" up to the empty line before the loop, which all three algorithms share.
void FunctionHead(CString& out, const CString& start, bool withByte)
{
    Line(out, "};");
    Line(out, "");
    Line(out, "CrcType CrcCalc(const void *pMem,int iLen)");
    Line(out, "{");
    Line(out, "unsigned char  *pPtr = (unsigned char*)pMem;");
    if (withByte)
        Line(out, "unsigned char   ucByte;");
    Line(out, "CrcType         uCrc = %s;", static_cast<const char*>(start));
    Line(out, "");
    Line(out, "    while(iLen>0)");
}

// From the end of the loop to the line before the generator's variables.
void GeneratorHead(CString& out, const char* returnSuffix, const CString& polynom)
{
    Line(out, "        pPtr++;");
    Line(out, "        iLen--;");
    Line(out, "        }");
    Line(out, "");
    Line(out, "return uCrc%s;", returnSuffix);
    Line(out, "}");
    Line(out, "");
    Line(out, "void CrcGenerateTable()");
    Line(out, "{");
    Line(out, "#define     POLYNOM %s", static_cast<const char*>(polynom));
    Line(out, "unsigned    uPos;");
    Line(out, "unsigned    uOff;");
}

void TailA(CString& out, unsigned width, const CString& start, const char* reflectedText)
{
    FunctionHead(out, start, false);
    Line(out, "        {");
    Line(out, "        uCrc = aCrcTable%s;", width > 8 ? "[(uCrc^*pPtr)&0xFF] ^ (uCrc>>8)" : "[uCrc^*pPtr]");
    GeneratorHead(out, "", CString(reflectedText));
    Line(out, "CrcType     uVal;");
    Line(out, "");
    Line(out, "    for(uPos=0;uPos<256;uPos++)");
    Line(out, "        {");
    Line(out, "        uVal = uPos;");
    Line(out, "");
    Line(out, "        for(uOff=0;uOff<8;uOff++)");
    Line(out, "            {");
    Line(out, "            uVal = (uVal >> 1) ^ (POLYNOM & ~((uVal&1)-1));");
    Line(out, "            }");
    Line(out, "");
    Line(out, "        aCrcTable[uPos] = uVal;");
    Line(out, "        }");
    out += "}";
}

void TailB(CString& out, unsigned width, const CString& start, const char* normalText)
{
    // The register's top byte meets the data byte: shifted down by width - 8, or up to the
    // byte's top bit when the register is narrower than a byte. Then a whole byte leaves the
    // register, which at 8 bits and below leaves nothing of it.
    const unsigned s = width >= 8 ? width - 8 : 0;
    const bool whole = width == 8 || width == 16 || width == 32 || width == 64;
    CString maskText = whole ? CString() : Value(CrcMask(width), width);
    CString maskLine;
    if (!whole)
        maskLine = CString(kEol) + "        uCrc   &= " + maskText + ";";
    char right[16];
    if (width < 8)
        snprintf(right, sizeof(right), "(uCrc<<%u)", 8 - width);
    else
        snprintf(right, sizeof(right), s ? "(uCrc>>%u)" : "uCrc", s);
    CString andMask = whole ? CString() : "&" + maskText;

    FunctionHead(out, start, true);
    Line(out, "        {%s", static_cast<const char*>(maskLine));
    Line(out, "        ucByte  = (unsigned char)(%s^*pPtr);", right);
    Line(out, width > 8 ? "        uCrc    = aCrcTable[ucByte]^(uCrc<<8);" : "        uCrc    = aCrcTable[ucByte];");
    GeneratorHead(out, andMask, CString(normalText));
    Line(out, "CrcType     uXor;");
    Line(out, "CrcType     uVal;");
    Line(out, "");
    Line(out, "    for(uPos=0;uPos<256;uPos++)");
    Line(out, "        {");
    Line(out, "        uVal = 0;");
    // Above 32 bits the index goes where a 32-bit unsigned has no bits (from 40 bits the shift
    // is 32 or more, which is undefined), so it is widened to the register type first.
    Line(out, width > 32 ? "        uXor = (CrcType)uPos<<%u;" : "        uXor = uPos<<%u;", s);
    Line(out, "");
    Line(out, "        for(uOff=0;uOff<8;uOff++)");
    Line(out, "            {");
    if (width < 8)
        Line(out, "            if(((uVal<<%u)^uXor)&0x80)", 8 - width);
    else
        Line(out, "            if((uVal^uXor)&%s)", static_cast<const char*>(Value(CrcShiftLeft(1, width - 1), width)));
    Line(out, "                    uVal = (uVal<<1)^POLYNOM;");
    Line(out, "            else    uVal = (uVal<<1);");
    Line(out, "");
    Line(out, "            uXor <<= 1;");
    Line(out, "            }");
    Line(out, "");
    Line(out, "        aCrcTable[uPos] = uVal%s;", static_cast<const char*>(andMask));
    Line(out, "        }");
    Line(out, "}");
}

void TailC(CString& out, unsigned width, const CString& start, uint64_t normal)
{
    const uint64_t t = CrcShiftLeft(1, width);
    FunctionHead(out, start, false);
    Line(out, "        {");
    Line(out, "        uCrc = aCrcTable[%s];", width >= 8 ? "((uCrc<<1)^*pPtr)&0xFF" : "(uCrc<<1)^*pPtr");
    GeneratorHead(out, "", Value(normal | t, width));
    Line(out, "CrcType     uVal;");
    Line(out, "");
    Line(out, "    for(uPos=0;uPos<256;uPos++)");
    Line(out, "        {");
    Line(out, "        uVal = (uPos&%s)? uPos^POLYNOM:uPos;", static_cast<const char*>(Value(t, width)));
    Line(out, "");
    Line(out, "        for(uOff=1;uOff<8;uOff++)");
    Line(out, "            {");
    Line(out, "            if(uVal&%s)", static_cast<const char*>(Value(CrcShiftLeft(1, width - 1), width)));
    Line(out, "                {");
    Line(out, "                uVal <<= 1;");
    Line(out, "                uVal ^= POLYNOM;");
    Line(out, "                }");
    Line(out, "            else{");
    Line(out, "                uVal <<= 1;");
    Line(out, "                }");
    Line(out, "            }");
    Line(out, "");
    Line(out, "        aCrcTable[uPos] = uVal;");
    Line(out, "        }");
    Line(out, "}");
}

}  // namespace

CString BuildCrcSource(int algorithm, unsigned width, uint64_t start, const char* reflectedText,
                       const char* normalText, uint64_t normal, const uint64_t table[256])
{
    if (!reflectedText)
        reflectedText = "";
    if (!normalText)
        normalText = "";
    CString out;
    if (algorithm < CRC_ALGO_A || algorithm > CRC_ALGO_C || !table || width < 1 || width > 64)
        return out;
    Line(out, "typedef %s CrcType;", RegisterType(width));
    Line(out, "");
    Line(out, "CrcType aCrcTable[256] =");
    Line(out, "    {");
    out += "    ";
    const int perLine = width <= 8 ? 12 : width <= 16 ? 8 : width <= 32 ? 4 : 2;
    for (int i = 0; i < 256; ++i)
    {
        out += Value(table[i], width);
        out += " , ";
        if ((i + 1) % perLine == 0)
        {
            out += kEol;
            out += "    ";
        }
    }
    if (256 % perLine != 0)
    {
        out += kEol;
        out += "    ";
    }
    CString startText = Value(start, width);
    if (algorithm == CRC_ALGO_A)
        TailA(out, width, startText, reflectedText);
    else if (algorithm == CRC_ALGO_B)
        TailB(out, width, startText, normalText);
    else
        TailC(out, width, startText, normal);
    return out;
}
