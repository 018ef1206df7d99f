// The request buffers are read byte by byte against their layout: a sound
// buffer decodes to exactly what the library's builders put in, and every
// malformed one is refused with EINVAL without touching the result.
#include "service/device/RequestDecoder.h"
#include "service/device/Utf16Text.h"
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace quorbel;
using svctest::MissionBuffer;
using svctest::NameBuffer;
using svctest::VolumeBuffer;

namespace {

using Buffer = std::vector<std::uint8_t>;

void PutUnit(Buffer& b, std::size_t uOffset, char16_t c) {
    b[uOffset] = static_cast<std::uint8_t>(c);
    b[uOffset + 1] = static_cast<std::uint8_t>(c >> 8);
}

FLOW_MISSION FullMission() {
    FLOW_MISSION m;
    m.strTargetName = u"abc.exe";
    m.uMode = FLOW_MODE_PROCESS;
    m.uLimitReadSpeed = 0x01020304;
    m.uLimitWriteSpeed = 0;
    m.llLimitTotalReads = 0x0102030405060708LL;
    m.llLimitTotalWrites = FLOW_NO_TOTAL_LIMIT;
    m.llAlreadyReads = 11;
    m.llAlreadyWrites = -3;
    m.llDriverParam = 500;
    return m;
}

} // namespace

TEST(RequestDecoder, SoundBuffersDecodeToWhatTheLibraryBuilt) {
    FLOW_MISSION in = FullMission();
    FLOW_MISSION out;
    ASSERT_EQ(DecodeMissionBuffer(MissionBuffer(in).data(), 512, out), 0);
    EXPECT_EQ(out.strTargetName, in.strTargetName);
    EXPECT_EQ(out.uMode, in.uMode);
    EXPECT_EQ(out.uLimitReadSpeed, in.uLimitReadSpeed);
    EXPECT_EQ(out.uLimitWriteSpeed, in.uLimitWriteSpeed);
    EXPECT_EQ(out.llLimitTotalReads, in.llLimitTotalReads);
    EXPECT_EQ(out.llLimitTotalWrites, in.llLimitTotalWrites);
    EXPECT_EQ(out.llAlreadyReads, in.llAlreadyReads);
    EXPECT_EQ(out.llAlreadyWrites, in.llAlreadyWrites);
    EXPECT_EQ(out.llDriverParam, in.llDriverParam);

    // The longest names each buffer carries, with a surrogate pair inside.
    std::u16string strLongest(227, u'x');
    strLongest[5] = 0xD83D;
    strLongest[6] = 0xDE00;
    FLOW_MISSION big = FullMission();
    big.strTargetName = strLongest;
    big.uMode = FLOW_MODE_PATH;
    ASSERT_EQ(DecodeMissionBuffer(MissionBuffer(big).data(), 512, out), 0);
    EXPECT_EQ(out.strTargetName, strLongest);
    EXPECT_EQ(out.llDriverParam, 500);

    std::u16string strName;
    ASSERT_EQ(DecodeVolumeBuffer(VolumeBuffer(std::u16string(254, u'v')).data(), 512, strName), 0);
    EXPECT_EQ(strName, std::u16string(254, u'v'));
    ASSERT_EQ(DecodeVolumeBuffer(VolumeBuffer(u"network").data(), 512, strName), 0);
    EXPECT_EQ(strName, u"network");
    ASSERT_EQ(DecodeNameBuffer(NameBuffer(std::u16string(255, u'n')).data(), 512, strName), 0);
    EXPECT_EQ(strName, std::u16string(255, u'n'));
    ASSERT_EQ(DecodeNameBuffer(NameBuffer(u"abc.exe").data(), 512, strName), 0);
    EXPECT_EQ(strName, u"abc.exe");
}

struct MALFORMED {
    const char* pszWhat;
    std::function<Buffer()> make;
};

TEST(RequestDecoder, MalformedMissionBuffersAreRefused) {
    const Buffer good = MissionBuffer(FullMission()); // N = 16, numbers at 20
    const MALFORMED cases[] = {
        {"short buffer", [&] { return Buffer(good.begin(), good.begin() + 511); }},
        {"long buffer",
         [&] {
             Buffer b = good;
             b.push_back(0);
             return b;
         }},
        {"odd length",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data(), 15);
             return b;
         }},
        {"zero length",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data(), 0);
             return b;
         }},
        {"empty name", [&] { return MissionBuffer(svctest::Mission(u"", 1)); }},
        {"length past the buffer",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data(), 0xFFFFFFF0u);
             return b;
         }},
        {"numbers would not fit",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data(), 458);
             return b;
         }},
        {"no NUL where the length ends",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data(), 14);
             return b;
         }},
        {"NUL inside the name",
         [&] {
             Buffer b = good;
             PutUnit(b, 6, 0);
             return b;
         }},
        {"lone high surrogate",
         [&] {
             Buffer b = good;
             PutUnit(b, 8, 0xD800);
             return b;
         }},
        {"lone low surrogate",
         [&] {
             Buffer b = good;
             PutUnit(b, 8, 0xDC00);
             return b;
         }},
        {"mode 0",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data() + 20, 0);
             return b;
         }},
        {"mode 3",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data() + 20, 3);
             return b;
         }},
        {"mode of a fresh mission",
         [&] {
             Buffer b = good;
             flow::PutU32(b.data() + 20, 0xFFFFFFFF);
             return b;
         }},
        {"garbage after the numbers",
         [&] {
             Buffer b = good;
             b[72] = 1;
             return b;
         }},
        {"garbage in the last byte",
         [&] {
             Buffer b = good;
             b[511] = 0xFF;
             return b;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        Buffer b = c.make();
        FLOW_MISSION out;
        out.strTargetName = u"untouched";
        EXPECT_EQ(DecodeMissionBuffer(b.data(), b.size(), out), EINVAL);
        EXPECT_EQ(out.strTargetName, u"untouched");
    }
    FLOW_MISSION out;
    EXPECT_EQ(DecodeMissionBuffer(nullptr, 512, out), EINVAL);
}

TEST(RequestDecoder, MalformedVolumeAndNameBuffersAreRefused) {
    const Buffer vol = VolumeBuffer(u"/data"); // L = 10
    const MALFORMED volumeCases[] = {
        {"short buffer", [&] { return Buffer(vol.begin(), vol.begin() + 100); }},
        {"zero length",
         [&] {
             Buffer b = vol;
             flow::PutU32(b.data(), 0);
             return b;
         }},
        {"odd length",
         [&] {
             Buffer b = vol;
             flow::PutU32(b.data(), 9);
             return b;
         }},
        {"length past the buffer",
         [&] {
             Buffer b = vol;
             flow::PutU32(b.data(), 510);
             return b;
         }},
        {"length covers zeros (NUL in name)",
         [&] {
             Buffer b = vol;
             flow::PutU32(b.data(), 12);
             return b;
         }},
        {"name goes on past its length",
         [&] {
             Buffer b = vol;
             flow::PutU32(b.data(), 8);
             return b;
         }},
        {"lone surrogate",
         [&] {
             Buffer b = vol;
             PutUnit(b, 4, 0xDBFF);
             return b;
         }},
    };
    for (const auto& c : volumeCases) {
        SCOPED_TRACE(c.pszWhat);
        Buffer b = c.make();
        std::u16string out = u"untouched";
        EXPECT_EQ(DecodeVolumeBuffer(b.data(), b.size(), out), EINVAL);
        EXPECT_EQ(out, u"untouched");
    }

    const Buffer name = NameBuffer(u"abc.exe");
    const MALFORMED nameCases[] = {
        {"short buffer", [&] { return Buffer(name.begin(), name.begin() + 16); }},
        {"empty name", [&] { return Buffer(512, 0); }},
        {"no NUL in the whole buffer (name past the buffer)", [&] { return Buffer(512, 'a'); }},
        {"garbage after the NUL",
         [&] {
             Buffer b = name;
             b[20] = 'x';
             return b;
         }},
        {"lone surrogate",
         [&] {
             Buffer b = name;
             PutUnit(b, 0, 0xD801);
             return b;
         }},
    };
    for (const auto& c : nameCases) {
        SCOPED_TRACE(c.pszWhat);
        Buffer b = c.make();
        std::u16string out = u"untouched";
        EXPECT_EQ(DecodeNameBuffer(b.data(), b.size(), out), EINVAL);
        EXPECT_EQ(out, u"untouched");
    }
}

TEST(Utf16Text, ConvertsWholeCharactersAndRefusesBrokenPairs) {
    std::string out;
    ASSERT_TRUE(Utf16ToUtf8(u"a\u00e9\u4e2d\U0001F600", out));
    EXPECT_EQ(out, "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    out = "untouched";
    EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t(0xD83D)), out));
    EXPECT_FALSE(Utf16ToUtf8(std::u16string{char16_t(0xDE00), u'a'}, out));
    EXPECT_EQ(out, "untouched");
}
