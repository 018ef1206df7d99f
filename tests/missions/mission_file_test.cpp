// The mission files: their exact form, every value encoding, damaged files,
// the checks made on loading, and atomic replacement.
#include "tests/missions/MissionFixture.h"

#include <csignal>
#include <limits>
#include <sys/resource.h>

namespace {

using MissionFiles = MissionFixture;

const QString PROC_FILE = QStringLiteral("./Vrekta_ProcMode.vkm");
const QString PATH_FILE = QStringLiteral("./Vrekta_PathMode.vkm");
const QString RECYCLER_FILE = QStringLiteral("./Vrekta_Recycler.vkm");

void CopyFixture(const QString& strFixture, const QString& strTo) {
    const QByteArray data = ReadFile(FixturePath(strFixture));
    ASSERT_FALSE(data.isEmpty()) << strFixture.toStdString();
    ASSERT_TRUE(WriteFile(strTo, data));
}

// One MissionIndex element with the nine values as texts.
QByteArray Entry(const char* pszName, const char* pszMode, const char* pszActive = "0",
                 const char* pszRead = "-1") {
    return QByteArray("<MissionIndex><strTargetName>") + pszName + "</strTargetName><uMode>" +
           pszMode + "</uMode><uLimitReadSpeed>" + pszRead +
           "</uLimitReadSpeed><uLimitWriteSpeed>-1</uLimitWriteSpeed>"
           "<llAlreadyReads>0</llAlreadyReads><llAlreadyWrites>0</llAlreadyWrites>"
           "<llLimitTotalReads>1152921500311879680</llLimitTotalReads>"
           "<llLimitTotalWrites>1152921500311879680</llLimitTotalWrites><bMissionActive>" +
           pszActive + "</bMissionActive></MissionIndex>";
}

QByteArray Document(const char* pszGroup, const QByteArray& entries) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items><") + pszGroup + ">" +
           entries + "</" + pszGroup + "></items>\n";
}

TEST_F(MissionFiles, TheWorkedExampleLoadsStartsAndSavesByteForByte) {
    CopyFixture(QStringLiteral("Vrekta_ProcMode.vkm"), PROC_FILE);
    ASSERT_TRUE(g_pProcMode->Load());

    ASSERT_EQ(g_pProcMode->m_vecMissions.size(), 1u);
    const CMission* p = g_pProcMode->m_vecMissions[0];
    EXPECT_EQ(p->strTargetName, QStringLiteral("notepad.exe"));
    EXPECT_EQ(p->uMode, 1u);
    EXPECT_EQ(p->uLimitReadSpeed, 3145728u);
    EXPECT_EQ(p->uLimitWriteSpeed, 0xFFFFFFFFu);
    EXPECT_EQ(p->llAlreadyReads, 52428800);
    EXPECT_EQ(p->llAlreadyWrites, 0);
    EXPECT_EQ(p->llLimitTotalReads, 0x0FFFFFFF00000000LL);
    EXPECT_EQ(p->llLimitTotalWrites, 0);
    EXPECT_TRUE(p->bMissionActive);
    // Restarted with its stored counters, so the driver counts on from them.
    ASSERT_EQ(FLOW_SCRIPT::vecAdded.size(), 1u);
    EXPECT_EQ(FLOW_SCRIPT::vecAdded[0].llAlreadyReads, 52428800);
    EXPECT_EQ(
        m_OpLog.m_vecLines,
        (std::vector<QString>{QStringLiteral("Start mission OK:<notepad.exe>"),
                              QStringLiteral("Insert mission<notepad.exe> to group<ProcMode>")}));
    // What is not stored starts afresh.
    EXPECT_EQ(p->uReadSpeed, 0u);
    EXPECT_TRUE(p->lstSpeed.empty());
    EXPECT_EQ(p->tmStart, PinnedNow());

    QFile::remove(PROC_FILE);
    ASSERT_TRUE(g_pProcMode->Save());
    EXPECT_EQ(ReadFile(PROC_FILE), ReadFile(FixturePath(QStringLiteral("Vrekta_ProcMode.vkm"))));
}

TEST_F(MissionFiles, EveryValueEncodingSurvivesARestart) {
    const std::uint32_t uSpeeds[] = {0u,          1u,          3145728u,   0x7FFFFFFFu,
                                     0x80000000u, 0xFFF00000u, 0xFFFFFFFFu};
    const std::int64_t llTotals[] = {0,
                                     1073741824,
                                     0x0FFFFFFF00000000LL,
                                     std::numeric_limits<std::int64_t>::max(),
                                     std::numeric_limits<std::int64_t>::min(),
                                     -1,
                                     7};
    constexpr int N = 7;
    for (int i = 0; i < N; ++i) {
        CMission* p = NewMission(QStringLiteral("app%1").arg(i));
        p->uLimitReadSpeed = uSpeeds[i];
        p->uLimitWriteSpeed = uSpeeds[N - 1 - i];
        p->llLimitTotalReads = llTotals[i];
        p->llLimitTotalWrites = llTotals[N - 1 - i];
        p->llAlreadyReads = llTotals[(i + 1) % N];
        p->llAlreadyWrites = llTotals[(i + 2) % N];
        g_pProcMode->Insert(p);
    }
    g_pProcMode->Save();
    const QByteArray file = ReadFile(PROC_FILE);
    EXPECT_TRUE(file.contains("<uLimitReadSpeed>-1048576</uLimitReadSpeed>"));
    EXPECT_TRUE(file.contains("<uLimitWriteSpeed>-1</uLimitWriteSpeed>"));
    EXPECT_TRUE(file.contains("<llLimitTotalReads>1152921500311879680</llLimitTotalReads>"));
    EXPECT_TRUE(file.contains("<llLimitTotalReads>1073741824</llLimitTotalReads>"));

    Restart();
    ASSERT_EQ(g_pProcMode->m_vecMissions.size(), static_cast<size_t>(N));
    for (int i = 0; i < N; ++i) {
        const CMission* p = g_pProcMode->m_vecMissions[i];
        EXPECT_EQ(p->strTargetName, QStringLiteral("app%1").arg(i));
        EXPECT_EQ(p->uLimitReadSpeed, uSpeeds[i]) << i;
        EXPECT_EQ(p->uLimitWriteSpeed, uSpeeds[N - 1 - i]) << i;
        EXPECT_EQ(p->llLimitTotalReads, llTotals[i]) << i;
        EXPECT_EQ(p->llLimitTotalWrites, llTotals[N - 1 - i]) << i;
        EXPECT_EQ(p->llAlreadyReads, llTotals[(i + 1) % N]) << i;
        EXPECT_EQ(p->llAlreadyWrites, llTotals[(i + 2) % N]) << i;
    }
}

TEST_F(MissionFiles, NamesWithMarkupAndNonLatinLettersSurvive) {
    const QString strName = QStringLiteral("/srv/R&D <q> \"x\" 数据/");
    g_pPathMode->Insert(NewMission(strName, FLOW_MODE_PATH));
    g_pPathMode->Save();
    Restart();
    EXPECT_EQ(Names(g_pPathMode), QStringList({strName}));
}

TEST_F(MissionFiles, ValueTextsAreReadAsLeadingDecimals) {
    ASSERT_TRUE(WriteFile(
        PROC_FILE,
        Document(
            "ProcMode",
            "<MissionIndex><strTargetName>a</strTargetName><uMode> +1xyz</uMode>"
            "<uLimitReadSpeed>-1048576</uLimitReadSpeed><uLimitWriteSpeed>abc</uLimitWriteSpeed>"
            "<llAlreadyReads>  42 MB</llAlreadyReads>"
            "<llLimitTotalReads>99999999999999999999</llLimitTotalReads>"
            "<bMissionActive>0</bMissionActive></MissionIndex>")));
    ASSERT_TRUE(g_pProcMode->Load());
    ASSERT_EQ(g_pProcMode->m_vecMissions.size(), 1u);
    const CMission* p = g_pProcMode->m_vecMissions[0];
    EXPECT_EQ(p->uMode, 1u);
    EXPECT_EQ(p->uLimitReadSpeed, 0xFFF00000u);
    EXPECT_EQ(p->uLimitWriteSpeed, 0u); // no digits
    EXPECT_EQ(p->llAlreadyReads, 42);
    EXPECT_EQ(p->llAlreadyWrites, 0);                                          // missing element
    EXPECT_EQ(p->llLimitTotalReads, std::numeric_limits<std::int64_t>::max()); // saturated
    EXPECT_EQ(p->llLimitTotalWrites, 0);
}

TEST_F(MissionFiles, FirstStartWithoutFiles) {
    EXPECT_FALSE(g_pProcMode->Load());
    EXPECT_FALSE(g_pPathMode->Load());
    EXPECT_FALSE(g_pRecycler->Load());
    EXPECT_EQ(m_Log.Count(8, "Load xml failed"), 3);
    EXPECT_TRUE(g_pProcMode->m_vecMissions.empty());

    ASSERT_TRUE(g_pRecycler->Save());
    const QByteArray file = ReadFile(RECYCLER_FILE);
    EXPECT_TRUE(file.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE(file.contains("<Recycler/>") || file.contains("<Recycler></Recycler>"));
    EXPECT_TRUE(file.contains("xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""));
}

TEST_F(MissionFiles, DamagedFilesLoadNothingAndAreReplacedOnSave) {
    const QByteArray whole = ReadFile(FixturePath(QStringLiteral("Vrekta_ProcMode.vkm")));
    ASSERT_FALSE(whole.isEmpty());
    const QByteArray damaged[] = {
        whole.left(whole.size() / 2),          // cut off while writing
        QByteArray(),                          // empty
        QByteArray(64, '\0'),                  // zeros after a crash
        whole.left(whole.size() - 10) + "<x>", // not well-formed
    };
    for (const QByteArray& data : damaged) {
        ASSERT_TRUE(WriteFile(PROC_FILE, data));
        EXPECT_FALSE(g_pProcMode->Load());
        EXPECT_TRUE(g_pProcMode->m_vecMissions.empty());
        EXPECT_TRUE(FLOW_SCRIPT::vecAdded.empty());
    }
    g_pProcMode->Save();
    Restart();
    EXPECT_TRUE(g_pProcMode->m_vecMissions.empty());
    EXPECT_EQ(m_Log.Count(8, "Load xml failed"), 4);
}

TEST_F(MissionFiles, OnlyTheElementOfTheGroupsOwnNameIsRead) {
    ASSERT_TRUE(WriteFile(PROC_FILE, Document("PathMode", Entry("/data/", "2", "1"))));
    EXPECT_TRUE(g_pProcMode->Load());
    EXPECT_TRUE(g_pProcMode->m_vecMissions.empty());
    EXPECT_TRUE(FLOW_SCRIPT::vecAdded.empty());
}

TEST_F(MissionFiles, EntriesLoadInFileOrderAndOnlyRunningOnesStart) {
    ASSERT_TRUE(WriteFile(
        PROC_FILE,
        Document("ProcMode", Entry("b", "1", "1") + Entry("a", "1", "0") + Entry("c", "1", "7"))));
    ASSERT_TRUE(g_pProcMode->Load());
    EXPECT_EQ(Names(g_pProcMode), QStringList({"b", "a", "c"}));
    ASSERT_EQ(FLOW_SCRIPT::vecAdded.size(), 2u);
    EXPECT_EQ(FLOW_SCRIPT::vecAdded[0].strTargetName, u"b");
    EXPECT_EQ(FLOW_SCRIPT::vecAdded[1].strTargetName, u"c");
    EXPECT_FALSE(g_pProcMode->m_vecMissions[1]->bMissionActive);
    g_pProcMode->Save();
    Restart();
    EXPECT_EQ(Names(g_pProcMode), QStringList({"b", "a", "c"}));
}

TEST_F(MissionFiles, AStartRefusedAtLoadIsStoppedInMemoryOnly) {
    ASSERT_TRUE(WriteFile(PROC_FILE, Document("ProcMode", Entry("a", "1", "1"))));
    FLOW_SCRIPT::bAddDefault = FALSE;
    g_pProcMode->Load();
    ASSERT_EQ(g_pProcMode->m_vecMissions.size(), 1u);
    EXPECT_FALSE(g_pProcMode->m_vecMissions[0]->bMissionActive);
    EXPECT_EQ(m_OpLog.m_vecLines.front(), QStringLiteral("Start mission FAIL:<a>"));
    // Load does not save: the file keeps the running flag.
    EXPECT_TRUE(ReadFile(PROC_FILE).contains("<bMissionActive>1</bMissionActive>"));
}

TEST_F(MissionFiles, MissionsStoredRunningInTheRecyclerAreNotStarted) {
    ASSERT_TRUE(WriteFile(RECYCLER_FILE,
                          Document("Recycler", Entry("a", "1", "1") + Entry("/d/", "2", "1"))));
    ASSERT_TRUE(g_pRecycler->Load());
    EXPECT_EQ(Names(g_pRecycler), QStringList({"a", "/d/"}));
    EXPECT_TRUE(FLOW_SCRIPT::vecAdded.empty());
    for (const CMission* p : g_pRecycler->m_vecMissions)
        EXPECT_FALSE(p->bMissionActive);
}

TEST_F(MissionFiles, EntriesBreakingTheRulesAreSkippedWithALine) {
    g_pRecycler->Insert(NewMission(QStringLiteral("held")));
    ASSERT_TRUE(
        WriteFile(PROC_FILE,
                  Document("ProcMode", Entry("", "1", "1") + Entry("three", "3", "1") +
                                           Entry("/d/", "2", "1") + Entry("/usr/bin/cp", "1", "1") +
                                           Entry("held", "1", "1") + Entry("twice", "1", "1") +
                                           Entry("twice", "1", "1") + Entry("good", "1", "1"))));
    ASSERT_TRUE(g_pProcMode->Load());
    EXPECT_EQ(Names(g_pProcMode), QStringList({"twice", "good"}));
    EXPECT_EQ(FLOW_SCRIPT::vecAdded.size(), 2u);
    EXPECT_EQ(Names(g_pRecycler), QStringList({"held"}));
    for (const char* psz :
         {"MissionIndex<>", "MissionIndex<three>", "MissionIndex</d/>", "MissionIndex</usr/bin/cp>",
          "MissionIndex<held>", "MissionIndex<twice>"})
        EXPECT_TRUE(m_Log.Has(8, psz)) << psz;
    EXPECT_EQ(m_Log.Count(8, "Skip MissionIndex"), 6);
}

// Saving replaces the file in one step: a write that fails half-way (here
// the file-size limit of the process, as on a full disk) keeps the old file.
TEST_F(MissionFiles, AFailedSaveKeepsTheOldFileWhole) {
    g_pProcMode->Insert(NewMission(QStringLiteral("old")));
    g_pProcMode->Save();
    const QByteArray old = ReadFile(PROC_FILE);
    ASSERT_FALSE(old.isEmpty());
    for (int i = 0; i < 200; ++i)
        g_pProcMode->Insert(NewMission(QStringLiteral("new%1").arg(i)));

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(old.size() + 100);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const BOOL bSaved = g_pProcMode->Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_TRUE(bSaved); // the document was built; only the write failed
    EXPECT_EQ(ReadFile(PROC_FILE), old);
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList({"Vrekta_ProcMode.vkm"}));
}

} // namespace
