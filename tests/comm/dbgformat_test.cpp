// Formatting of diagnostic messages: the printf conversions the program
// uses, type safety on mismatched or missing arguments, and cutting at the
// end of the buffer.
#include "comm/DbgFormat.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

struct CASE {
    const char* pszName;
    QString strGot;
    QString strExpected;
};

QString U(const char16_t* psz) {
    return QString::fromUtf16(psz);
}

TEST(DbgFormat, ConversionsOfTheProgram) {
    const std::uint32_t uAll = 0xFFFFFFFFu;
    const std::int64_t llMin = std::numeric_limits<std::int64_t>::min();
    const std::uint64_t ullAll = std::numeric_limits<std::uint64_t>::max();
    const QString strName = QStringLiteral("notepad.exe");
    const std::u16string u16Name = u"/data/目录/";
    const CASE cases[] = {
        {"plain", DbgSprintf("Flow ctrl init failed."), "Flow ctrl init failed."},
        {"%d negative", DbgSprintf("%d", -5), "-5"},
        {"%d of 0xFFFFFFFF as printf", DbgSprintf("%d", uAll), "-1"},
        {"%u of -1 as printf", DbgSprintf("%u", -1), "4294967295"},
        {"%u", DbgSprintf("<%u>", uAll), "<4294967295>"},
        {"%x", DbgSprintf("%x", 255), "ff"},
        {"%X", DbgSprintf("%X", 0xabcu), "ABC"},
        {"%08lx", DbgSprintf("Code = %08lx.", 0x1234), "Code = 00001234."},
        {"%I64d min", DbgSprintf("%I64d", llMin), "-9223372036854775808"},
        {"%I64x", DbgSprintf("%I64x", ullAll), "ffffffffffffffff"},
        {"%I64d of a narrow negative", DbgSprintf("%I64d", -7), "-7"},
        {"%lld", DbgSprintf("Total_R<%lld>", std::int64_t(1) << 40), "Total_R<1099511627776>"},
        {"%d keeps a wider argument whole", DbgSprintf("%d", std::int64_t(5000000000)),
         "5000000000"},
        {"%hd cuts to 16 bits", DbgSprintf("%hd", 70000), "4464"},
        {"%hhu cuts to 8 bits", DbgSprintf("%hhu", 300), "44"},
        {"%C", DbgSprintf("%C%C", 'A', u'中'), U(u"A中")},
        {"%c of a code point past 16 bits", DbgSprintf("%c", char32_t(0x1F600)), U(u"😀")},
        {"%s QString", DbgSprintf("miss<%s>", strName), "miss<notepad.exe>"},
        {"%s UTF-8", DbgSprintf("%s", "中文 ü"), U(u"中文 ü")},
        {"%s char16_t", DbgSprintf("%s", u"路径"), U(u"路径")},
        {"%s u16string", DbgSprintf("%s", u16Name), U(u"/data/目录/")},
        {"%s null", DbgSprintf("%s", static_cast<const char*>(nullptr)), "(null)"},
        {"%S", DbgSprintf("%S", std::string("narrow")), "narrow"},
        {"%s of other string types",
         DbgSprintf("%s %s %s %s", QLatin1String("latin"), QStringView(strName),
                    QByteArray("bytes"), std::wstring(L"wide")),
         "latin notepad.exe bytes wide"},
        {"width and left", DbgSprintf("[%5s|%-5s]", "ab", "cd"), "[   ab|cd   ]"},
        {"precision of a string", DbgSprintf("%.2s", "abcdef"), "ab"},
        {"precision keeps pairs whole", DbgSprintf("%.1s", u"😀x"), ""},
        {"flags", DbgSprintf("%+d % d %#x %-4d| %04d %.3d", 3, 3, 255, 7, -5, 5),
         "+3  3 0xff 7   | -005 005"},
        {"star width", DbgSprintf("%*d|%-*d", 5, 42, 3, 1), "   42|1  "},
        {"double", DbgSprintf("%5.1f %g", 3.14159, 0.5), "  3.1 0.5"},
        {"percent", DbgSprintf("100%%"), "100%"},
        {"Chinese format text", DbgSprintf("ERR: 打开日志文件(%s)失败\n", "/x"),
         U(u"ERR: 打开日志文件(/x)失败\n")},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.strGot, c.strExpected) << c.pszName;
}

// Mistakes at a call site print something sensible, never read memory that
// is not there.
TEST(DbgFormat, MismatchedAndMissingArguments) {
    const CASE cases[] = {
        {"%d of a string", DbgSprintf("<%d>", QStringLiteral("x")), "<x>"},
        {"%s of a signed number", DbgSprintf("<%s>", -42), "<-42>"},
        {"%s of an unsigned 64-bit", DbgSprintf("<%s>", ~std::uint64_t(0)),
         "<18446744073709551615>"},
        {"%s of a character", DbgSprintf("<%s>", u'é'), U(u"<é>")},
        {"missing argument", DbgSprintf("a<%s>b<%d>", "x"), "a<x>b<>"},
        {"extra arguments", DbgSprintf("only", 1, 2), "only"},
        {"%n writes nothing", DbgSprintf("a%nb", 1), "ab"},
        {"unknown conversion copied", DbgSprintf("%y %", 1), "%y %"},
        {"bool and enum", DbgSprintf("%d %d", true, std::byte{7}), "1 7"},
        {"double for %d", DbgSprintf("%d", 2.5), "2.5"},
        {"malformed UTF-8 replaced",
         DbgSprintf("%s", "a\xff"
                          "b"),
         U(u"a\uFFFDb")},
        {"unpaired surrogate replaced", DbgSprintf("%s", std::u16string(1, char16_t(0xD800))),
         U(u"\uFFFD")},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.strGot, c.strExpected) << c.pszName;
}

TEST(DbgFormat, StopsAtTheEndOfTheBuffer) {
    struct CUT {
        const char* pszName;
        std::size_t nCapacity;
        const char* pszFormat;
        QString strArg;
        QString strExpected;
        bool bTruncated;
    };
    const CUT cuts[] = {
        {"exact fit", 5, "ab%s", "cde", "abcde", false},
        {"literal text cut", 4, "abcdef", "", "abcd", true},
        {"argument cut", 4, "ab%s", "cdef", "abcd", true},
        {"padding cut", 3, "%10s", "x", "   ", true},
        {"pair not split", 2, "a%s", U(u"😀"), "a", true},
        {"empty buffer", 0, "a", "", "", true},
    };
    for (const CUT& c : cuts) {
        // Guard units after the buffer show any write past its end.
        char16_t buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        const CDbgArg arg(c.strArg);
        const DBG_FORMAT_RESULT r = DbgFormat(buffer, c.nCapacity, c.pszFormat, &arg, 1);
        EXPECT_EQ(QString::fromUtf16(buffer, static_cast<qsizetype>(r.nLength)), c.strExpected)
            << c.pszName;
        EXPECT_EQ(r.bTruncated, c.bTruncated) << c.pszName;
        for (std::size_t i = c.nCapacity; i < std::size(buffer); ++i)
            EXPECT_EQ(buffer[i], u'#') << c.pszName << " wrote past the buffer at " << i;
    }
}

} // namespace
