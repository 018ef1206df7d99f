#include "comm/DbgFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr char16_t REPLACEMENT = 0xFFFD;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Decodes one code point of UTF-8; a malformed sequence yields U+FFFD and
// consumes one byte.
char32_t DecodeUtf8(const char*& p, const char* pEnd) {
    const auto b0 = static_cast<unsigned char>(*p++);
    if (b0 < 0x80)
        return b0;
    int nMore;
    char32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        nMore = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        nMore = 2;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        nMore = 3;
        cp = b0 & 0x07;
    } else {
        return REPLACEMENT;
    }
    if (pEnd - p < nMore)
        return REPLACEMENT;
    for (int i = 0; i < nMore; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        if ((b & 0xC0) != 0x80)
            return REPLACEMENT;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    if ((nMore == 2 && cp < 0x800) || (nMore == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return REPLACEMENT;
    p += nMore;
    return cp;
}

struct CONVERSION {
    bool bLeft = false;
    bool bPlus = false;
    bool bBlank = false;
    bool bZero = false;
    bool bAlt = false;
    int nWidth = 0;
    int nPrecision = -1;
    int nLengthBits = 0; // 0: none or l; else the prefix's width
    char cConv = 0;
};

class CWriter {
public:
    CWriter(char16_t* pBuffer, std::size_t nCapacity)
        : m_pBuffer(pBuffer), m_nCapacity(nCapacity) {}

    void PutUnit(char16_t c) {
        if (!m_bStopped && m_nLength < m_nCapacity)
            m_pBuffer[m_nLength++] = c;
        else
            m_bTruncated = true;
    }
    void PutCodePoint(char32_t cp) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = REPLACEMENT;
        if (cp < 0x10000) {
            PutUnit(static_cast<char16_t>(cp));
            return;
        }
        // A pair is written whole or not at all.
        if (m_nCapacity - m_nLength < 2) {
            // Nothing after this point may land in the last unit either.
            m_bTruncated = true;
            m_bStopped = true;
            return;
        }
        cp -= 0x10000;
        m_pBuffer[m_nLength++] = static_cast<char16_t>(0xD800 + (cp >> 10));
        m_pBuffer[m_nLength++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    void PutRepeat(char16_t c, int nCount) {
        for (int i = 0; i < nCount; ++i)
            PutUnit(c);
    }
    void PutAscii(const char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            PutUnit(static_cast<char16_t>(static_cast<unsigned char>(p[i])));
    }
    bool Full() const { return m_bStopped || m_nLength >= m_nCapacity; }
    void MarkTruncated() { m_bTruncated = true; }
    DBG_FORMAT_RESULT Result() const { return {m_nLength, m_bTruncated}; }

private:
    char16_t* m_pBuffer;
    std::size_t m_nCapacity;
    std::size_t m_nLength = 0;
    bool m_bTruncated = false;
    bool m_bStopped = false;
};

// A string argument as a sequence of code points, with its length in UTF-16
// units, so width and precision count what the line holds.
class CStringSource {
public:
    explicit CStringSource(const CDbgArg& arg) : m_Arg(arg) {}

    // Calls fn(cp) for each code point until fn returns false.
    template <typename Fn> void ForEach(Fn fn) const {
        switch (m_Arg.Kind()) {
        case CDbgArg::KIND_UTF8: {
            const char* p = m_Arg.Utf8();
            const char* pEnd = p + m_Arg.Length();
            while (p < pEnd)
                if (!fn(DecodeUtf8(p, pEnd)))
                    return;
            break;
        }
        case CDbgArg::KIND_UTF16: {
            const char16_t* p = m_Arg.Utf16();
            const std::size_t n = m_Arg.Length();
            for (std::size_t i = 0; i < n; ++i) {
                char32_t cp = p[i];
                if (IsHighSurrogate(p[i]) && i + 1 < n && IsLowSurrogate(p[i + 1])) {
                    cp = 0x10000 + ((char32_t(p[i]) - 0xD800) << 10) + (p[i + 1] - 0xDC00);
                    ++i;
                } else if (IsHighSurrogate(p[i]) || IsLowSurrogate(p[i])) {
                    cp = REPLACEMENT;
                }
                if (!fn(cp))
                    return;
            }
            break;
        }
        case CDbgArg::KIND_UTF32: {
            const char32_t* p = m_Arg.Utf32();
            for (std::size_t i = 0; i < m_Arg.Length(); ++i)
                if (!fn(p[i]))
                    return;
            break;
        }
        case CDbgArg::KIND_NULL_STRING: {
            for (const char* p = "(null)"; *p; ++p)
                if (!fn(char32_t(*p)))
                    return;
            break;
        }
        default:
            break;
        }
    }

private:
    const CDbgArg& m_Arg;
};

int Units(char32_t cp) {
    return cp >= 0x10000 && cp <= 0x10FFFF ? 2 : 1;
}

void PutString(CWriter& out, const CDbgArg& arg, const CONVERSION& conv) {
    CStringSource source(arg);
    // Units that the precision lets through, never splitting a code point.
    int nUnits = 0;
    source.ForEach([&](char32_t cp) {
        if (conv.nPrecision >= 0 && nUnits + Units(cp) > conv.nPrecision)
            return false;
        nUnits += Units(cp);
        return true;
    });
    const int nPad = conv.nWidth > nUnits ? conv.nWidth - nUnits : 0;
    if (!conv.bLeft)
        out.PutRepeat(u' ', nPad);
    int nDone = 0;
    source.ForEach([&](char32_t cp) {
        if (nDone + Units(cp) > nUnits)
            return false;
        if (out.Full()) {
            out.MarkTruncated();
            return false;
        }
        out.PutCodePoint(cp);
        nDone += Units(cp);
        return true;
    });
    if (conv.bLeft)
        out.PutRepeat(u' ', nPad);
}

void PutChar(CWriter& out, char32_t cp, const CONVERSION& conv) {
    const int nPad = conv.nWidth > 1 ? conv.nWidth - 1 : 0;
    if (!conv.bLeft)
        out.PutRepeat(u' ', nPad);
    out.PutCodePoint(cp);
    if (conv.bLeft)
        out.PutRepeat(u' ', nPad);
}

void PutInteger(CWriter& out, const CDbgArg& arg, const CONVERSION& conv) {
    int nBits = conv.nLengthBits;
    if (nBits == 0)
        nBits = arg.Bits() > 32 ? arg.Bits() : 32;
    std::uint64_t uValue = arg.Bits64();
    const char c = conv.cConv;
    const bool bSigned = c == 'd' || c == 'i';
    bool bNegative = false;
    if (nBits < 64) {
        const std::uint64_t uMask = (std::uint64_t(1) << nBits) - 1;
        uValue &= uMask;
        if (bSigned && (uValue >> (nBits - 1)) & 1) {
            bNegative = true;
            uValue = (~uValue + 1) & uMask;
        }
    } else if (bSigned && static_cast<std::int64_t>(uValue) < 0) {
        bNegative = true;
        uValue = ~uValue + 1;
    }

    char digits[72];
    int nDigits = 0;
    const unsigned uBase = (c == 'x' || c == 'X' || c == 'p') ? 16 : c == 'o' ? 8 : 10;
    const char* pszDigits = c == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::uint64_t v = uValue;
    do {
        digits[nDigits++] = pszDigits[v % uBase];
        v /= uBase;
    } while (v != 0);
    if (conv.nPrecision == 0 && uValue == 0)
        nDigits = 0;

    char prefix[3] = {};
    int nPrefix = 0;
    if (bNegative)
        prefix[nPrefix++] = '-';
    else if (bSigned && conv.bPlus)
        prefix[nPrefix++] = '+';
    else if (bSigned && conv.bBlank)
        prefix[nPrefix++] = ' ';
    if ((conv.bAlt && uBase == 16 && uValue != 0) || c == 'p') {
        prefix[nPrefix++] = '0';
        prefix[nPrefix++] = c == 'X' ? 'X' : 'x';
    }
    int nZeros = conv.nPrecision > nDigits ? conv.nPrecision - nDigits : 0;
    if (conv.bAlt && uBase == 8 && nZeros == 0 && (nDigits == 0 || digits[nDigits - 1] != '0'))
        nZeros = 1;
    const int nBody = nPrefix + nZeros + nDigits;
    int nPad = conv.nWidth > nBody ? conv.nWidth - nBody : 0;
    if (conv.bZero && !conv.bLeft && conv.nPrecision < 0) {
        nZeros += nPad;
        nPad = 0;
    }
    if (!conv.bLeft)
        out.PutRepeat(u' ', nPad);
    out.PutAscii(prefix, static_cast<std::size_t>(nPrefix));
    out.PutRepeat(u'0', nZeros);
    for (int i = nDigits - 1; i >= 0; --i)
        out.PutUnit(static_cast<char16_t>(digits[i]));
    if (conv.bLeft)
        out.PutRepeat(u' ', nPad);
}

void PutDouble(CWriter& out, double d, const CONVERSION& conv) {
    // The conversion string is built here from checked parts only.
    char szFieldFormat[32];
    int n = 0;
    szFieldFormat[n++] = '%';
    if (conv.bLeft)
        szFieldFormat[n++] = '-';
    if (conv.bPlus)
        szFieldFormat[n++] = '+';
    if (conv.bBlank)
        szFieldFormat[n++] = ' ';
    if (conv.bZero)
        szFieldFormat[n++] = '0';
    if (conv.bAlt)
        szFieldFormat[n++] = '#';
    szFieldFormat[n++] = '*';
    szFieldFormat[n++] = '.';
    szFieldFormat[n++] = '*';
    szFieldFormat[n++] = conv.cConv;
    szFieldFormat[n] = 0;
    char szOut[512];
    const int nWidth = conv.nWidth < 400 ? conv.nWidth : 400;
    const int nPrecision =
        conv.nPrecision < 0 ? 6 : (conv.nPrecision < 100 ? conv.nPrecision : 100);
    const int nWritten = std::snprintf(szOut, sizeof szOut, szFieldFormat, nWidth, nPrecision, d);
    if (nWritten > 0)
        out.PutAscii(szOut,
                     std::min<std::size_t>(static_cast<std::size_t>(nWritten), sizeof szOut - 1));
}

void PutArgument(CWriter& out, const CDbgArg& arg, CONVERSION conv) {
    switch (conv.cConv) {
    case 's':
    case 'S':
        if (arg.IsString())
            PutString(out, arg, conv);
        else if (arg.Kind() == CDbgArg::KIND_CHAR)
            PutChar(out, static_cast<char32_t>(arg.Bits64()), conv);
        else if (arg.Kind() == CDbgArg::KIND_DOUBLE)
            PutDouble(out, arg.Double(), (conv.cConv = 'g', conv));
        else if (arg.Kind() == CDbgArg::KIND_POINTER)
            PutInteger(out, arg, (conv.cConv = 'p', conv.nLengthBits = 64, conv));
        else
            PutInteger(out, arg,
                       (conv.cConv = arg.Kind() == CDbgArg::KIND_SIGNED ? 'd' : 'u',
                        conv.nLengthBits = 64, conv.nPrecision = -1, conv));
        return;
    case 'c':
    case 'C':
        if (arg.IsString())
            PutString(out, arg, conv);
        else
            PutChar(out, static_cast<char32_t>(arg.Bits64() & 0xFFFFFFFFu), conv);
        return;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (arg.IsString())
            PutString(out, arg, (conv.nPrecision = -1, conv));
        else
            PutDouble(out, arg.Double(), conv);
        return;
    case 'p':
        if (arg.IsString())
            PutString(out, arg, conv);
        else
            PutInteger(out, arg, (conv.nLengthBits = 64, conv));
        return;
    default: // d i u x X o
        if (arg.IsString())
            PutString(out, arg, (conv.nPrecision = -1, conv));
        else if (arg.Kind() == CDbgArg::KIND_DOUBLE)
            PutDouble(out, arg.Double(), (conv.cConv = 'g', conv.nPrecision = -1, conv));
        else
            PutInteger(out, arg, conv);
        return;
    }
}

int ReadNumber(const char*& p) {
    int n = 0;
    while (*p >= '0' && *p <= '9') {
        if (n < 10000)
            n = n * 10 + (*p - '0');
        ++p;
    }
    // Widths beyond the line are meaningless; the cap keeps the math small.
    return n < 2048 ? n : 2048;
}

int TakeIntArgument(const CDbgArg* pArgs, std::size_t nArgs, std::size_t& nNext) {
    if (nNext >= nArgs)
        return 0;
    const std::int64_t ll = static_cast<std::int64_t>(pArgs[nNext++].Bits64());
    return ll < -2048 ? -2048 : ll > 2048 ? 2048 : static_cast<int>(ll);
}

} // namespace

DBG_FORMAT_RESULT DbgFormat(char16_t* pBuffer, std::size_t nCapacity, const char* pszFormat,
                            const CDbgArg* pArgs, std::size_t nArgs) {
    CWriter out(pBuffer, nCapacity);
    if (!pszFormat)
        return out.Result();
    const char* p = pszFormat;
    const char* pEnd = p + std::strlen(p);
    std::size_t nNext = 0;
    while (p < pEnd && !out.Full()) {
        if (*p != '%') {
            out.PutCodePoint(DecodeUtf8(p, pEnd));
            continue;
        }
        const char* pStart = p++;
        if (*p == '%') {
            out.PutUnit(u'%');
            ++p;
            continue;
        }
        CONVERSION conv;
        for (;; ++p) {
            if (*p == '-')
                conv.bLeft = true;
            else if (*p == '+')
                conv.bPlus = true;
            else if (*p == ' ')
                conv.bBlank = true;
            else if (*p == '0')
                conv.bZero = true;
            else if (*p == '#')
                conv.bAlt = true;
            else
                break;
        }
        if (*p == '*') {
            ++p;
            conv.nWidth = TakeIntArgument(pArgs, nArgs, nNext);
            if (conv.nWidth < 0) {
                conv.bLeft = true;
                conv.nWidth = -conv.nWidth;
            }
        } else {
            conv.nWidth = ReadNumber(p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                conv.nPrecision = TakeIntArgument(pArgs, nArgs, nNext);
                if (conv.nPrecision < 0)
                    conv.nPrecision = -1;
            } else {
                conv.nPrecision = ReadNumber(p);
            }
        }
        if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            conv.nLengthBits = 64;
            p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            conv.nLengthBits = 32;
            p += 3;
        } else if (p[0] == 'h' && p[1] == 'h') {
            conv.nLengthBits = 8;
            p += 2;
        } else if (p[0] == 'l' && p[1] == 'l') {
            conv.nLengthBits = 64;
            p += 2;
        } else if (*p == 'h') {
            conv.nLengthBits = 16;
            ++p;
        } else if (*p == 'l' || *p == 'L' || *p == 'w') {
            ++p;
        } else if (*p == 'j' || *p == 'z' || *p == 't' || *p == 'q' || *p == 'I') {
            conv.nLengthBits = 64;
            ++p;
        }
        conv.cConv = *p;
        if (!std::strchr("diuxXocCsSpfFeEgGaAn", conv.cConv) || conv.cConv == 0) {
            // Not a conversion: copy it as it stands.
            for (const char* q = pStart; q < p && !out.Full(); ++q)
                out.PutUnit(static_cast<char16_t>(static_cast<unsigned char>(*q)));
            continue;
        }
        ++p;
        if (conv.cConv == 'n')
            continue; // never writes through an argument
        if (nNext < nArgs)
            PutArgument(out, pArgs[nNext++], conv);
    }
    DBG_FORMAT_RESULT result = out.Result();
    if (p < pEnd)
        result.bTruncated = true;
    return result;
}

QString DbgFormatString(const char* pszFormat, const CDbgArg* pArgs, std::size_t nArgs) {
    // Trace and test texts are short; a generous fixed buffer keeps this
    // simple and bounded.
    constexpr std::size_t CAPACITY = 8192;
    QString str(static_cast<qsizetype>(CAPACITY), Qt::Uninitialized);
    const DBG_FORMAT_RESULT r =
        DbgFormat(reinterpret_cast<char16_t*>(str.data()), CAPACITY, pszFormat, pArgs, nArgs);
    str.truncate(static_cast<qsizetype>(r.nLength));
    return str;
}
