// Target-name rules of both platforms, the one comparison, and the mapping
// of driver statistics records to missions.
#include "missions/MissionGroup.h"
#include "missions/TargetName.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

namespace {

struct NAME_CASE {
    TARGET_RULES rules;
    std::uint32_t uMode;
    const char16_t* pszName;
    bool bValid;
};

void PrintTo(const NAME_CASE& c, std::ostream* os) {
    *os << (c.rules == TARGET_RULES::Windows ? "Windows" : "Linux") << " mode " << c.uMode << " \""
        << QString::fromUtf16(c.pszName).toStdString() << "\"";
}

class TargetNameRules : public ::testing::TestWithParam<NAME_CASE> {};

TEST_P(TargetNameRules, AcceptsOnlyTheModesForm) {
    const NAME_CASE& c = GetParam();
    EXPECT_EQ(IsValidTargetName(c.rules, c.uMode, QString::fromUtf16(c.pszName)), c.bValid)
        << QString::fromUtf16(c.pszName).toStdString() << " mode " << c.uMode;
}

constexpr auto W = TARGET_RULES::Windows;
constexpr auto L = TARGET_RULES::Linux;

INSTANTIATE_TEST_SUITE_P(
    Windows, TargetNameRules,
    ::testing::Values(NAME_CASE{W, 1, u"notepad.exe", true}, NAME_CASE{W, 1, u"A.EXE", true},
                      NAME_CASE{W, 1, u".exe", false}, NAME_CASE{W, 1, u"notepad", false},
                      NAME_CASE{W, 1, u"notepad.exe.txt", false},
                      NAME_CASE{W, 1, u"C:\\bin\\notepad.exe", false},
                      NAME_CASE{W, 2, u"C:\\data\\", true}, NAME_CASE{W, 2, u"c:\\", true},
                      NAME_CASE{W, 2, u"\\\\server\\share\\", true},
                      NAME_CASE{W, 2, u"C:\\data", false}, NAME_CASE{W, 2, u"data\\", false},
                      NAME_CASE{W, 2, u"/data/", false}, NAME_CASE{W, 3, u"notepad.exe", false},
                      NAME_CASE{W, 0xFFFFFFFFu, u"C:\\data\\", false}));

INSTANTIATE_TEST_SUITE_P(
    Linux, TargetNameRules,
    ::testing::Values(NAME_CASE{L, 1, u"firefox", true}, NAME_CASE{L, 1, u"notepad.exe", true},
                      NAME_CASE{L, 1, u"my tool", true}, NAME_CASE{L, 1, u"", false},
                      NAME_CASE{L, 1, u"/usr/bin/cp", false}, NAME_CASE{L, 1, u".", false},
                      NAME_CASE{L, 1, u"..", false}, NAME_CASE{L, 2, u"/data/", true},
                      NAME_CASE{L, 2, u"/", true}, NAME_CASE{L, 2, u"/srv/My Files/", true},
                      NAME_CASE{L, 2, u"/data", false}, NAME_CASE{L, 2, u"data/", false},
                      NAME_CASE{L, 2, u"/a//b/", false}, NAME_CASE{L, 2, u"/a/./b/", false},
                      NAME_CASE{L, 2, u"/a/../b/", false}, NAME_CASE{L, 2, u"C:\\data\\", false},
                      NAME_CASE{L, 0, u"firefox", false}));

TEST(TargetName, LengthIsBoundByTheLibrarysRequestBuffer) {
    for (TARGET_RULES rules : {W, L}) {
        const QString strFits = QString(TARGET_NAME_MAX_CHARS - 4, QLatin1Char('a')) + ".exe";
        EXPECT_TRUE(IsValidTargetName(rules, 1, strFits));
        EXPECT_FALSE(IsValidTargetName(rules, 1, QLatin1Char('a') + strFits));
    }
    // Nothing a mission file could not carry back.
    for (const QString& strBad : {QStringLiteral("a") + QChar(u'\0') + "b", QStringLiteral("a\tb"),
                                  QStringLiteral("a\nb"), QStringLiteral("a") + QChar(0xD800)})
        EXPECT_FALSE(IsValidTargetName(L, 1, strBad));
    EXPECT_TRUE(IsValidTargetName(L, 1, QStringLiteral("a") + QChar(0xD83D) + QChar(0xDE00)));
}

TEST(TargetName, ComparisonFollowsThePlatformsFileSystem) {
    const QString a = QStringLiteral("Notepad.EXE"), b = QStringLiteral("notepad.exe");
    EXPECT_EQ(CompareTargetNames(W, a, b), 0);
    EXPECT_NE(CompareTargetNames(L, a, b), 0);
    // A strict order in both, so the index can be keyed by it.
    EXPECT_LT(CompareTargetNames(W, QStringLiteral("a.exe"), QStringLiteral("B.exe")), 0);
    EXPECT_GT(CompareTargetNames(W, QStringLiteral("B.exe"), QStringLiteral("a.exe")), 0);
    EXPECT_LT(CompareTargetNames(L, QStringLiteral("B"), QStringLiteral("a")), 0);
    EXPECT_EQ(PLATFORM_TARGET_RULES, L);
    EXPECT_EQ(TargetPathSeparator(), QLatin1Char('/'));
    EXPECT_EQ(TargetPathSeparator(W), QLatin1Char('\\'));
}

// Missions entered straight into the index: the lookup needs nothing else.
class LogNameMatch : public ::testing::Test {
protected:
    void Add(const QString& strName) {
        auto pMission = std::make_unique<CMission>();
        pMission->strTargetName = strName;
        g_mapMissions[strName] = pMission.get();
        m_Missions.push_back(std::move(pMission));
    }
    void TearDown() override { g_mapMissions.clear(); }
    std::vector<std::unique_ptr<CMission>> m_Missions;
};

TEST_F(LogNameMatch, ExactNameOrTheOneMissionACutNameBeginsWith) {
    const QString strLong29 = QStringLiteral("a-very-long-process-name-abcd"); // 29 characters
    ASSERT_EQ(strLong29.size(), 29);
    Add(QStringLiteral("firefox"));
    Add(strLong29 + QStringLiteral("efgh"));
    Add(QStringLiteral("/srv/shared/projects/2026/q4/a/"));
    Add(QStringLiteral("/srv/shared/projects/2026/q4/b/"));

    EXPECT_EQ(FindMissionForLogName(QStringLiteral("firefox")), m_Missions[0].get());
    EXPECT_EQ(FindMissionForLogName(QStringLiteral("Firefox")), nullptr);
    EXPECT_EQ(FindMissionForLogName(QStringLiteral("fire")), nullptr);
    EXPECT_EQ(FindMissionForLogName(QString()), nullptr);
    EXPECT_EQ(FindMissionForLogName(strLong29), m_Missions[1].get());
    // A record filled to all 30 units carries no NUL; it is cut all the same.
    EXPECT_EQ(FindMissionForLogName(strLong29 + QStringLiteral("e")), m_Missions[1].get());
    // Two missions begin with the same cut name: neither gets the record.
    EXPECT_EQ(FindMissionForLogName(QStringLiteral("/srv/shared/projects/2026/q4/")), nullptr);
    // A short name is never taken as a prefix.
    EXPECT_EQ(FindMissionForLogName(strLong29.left(28)), nullptr);
}

TEST_F(LogNameMatch, AnExactMatchWinsOverAPrefix) {
    const QString strName = QStringLiteral("abcdefghijklmnopqrstuvwxyz012"); // 29
    Add(strName);
    Add(strName + QStringLiteral("3"));
    EXPECT_EQ(FindMissionForLogName(strName), m_Missions[0].get());
}

} // namespace
