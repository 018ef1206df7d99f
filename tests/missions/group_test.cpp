// The groups, the index of names, and the moves between the groups.
#include "tests/missions/MissionFixture.h"

#include <memory>

namespace {

using MissionGroups = MissionFixture;

TEST_F(MissionGroups, InsertAndRemoveKeepTheOrderInGroupIndexAndFile) {
    for (const char* psz : {"a", "b", "c"})
        g_pProcMode->Insert(NewMission(QString::fromLatin1(psz)));
    ASSERT_EQ(g_mapMissions.size(), 3u);
    EXPECT_EQ(m_OpLog.m_vecLines.front(), QStringLiteral("Insert mission<a> to group<ProcMode>"));

    std::unique_ptr<CMission> pB(g_pProcMode->Take(QStringLiteral("b")));
    ASSERT_TRUE(pB);
    EXPECT_EQ(pB->strTargetName, QStringLiteral("b"));
    EXPECT_EQ(m_OpLog.m_vecLines.back(), QStringLiteral("Remove mission<b> from group<ProcMode>"));
    EXPECT_EQ(Names(g_pProcMode), QStringList({"a", "c"}));
    EXPECT_EQ(FindMission(QStringLiteral("b")), nullptr);
    EXPECT_NE(FindMission(QStringLiteral("c")), nullptr);

    g_pProcMode->Save();
    Restart();
    EXPECT_EQ(Names(g_pProcMode), QStringList({"a", "c"}));
}

TEST_F(MissionGroups, FindAndGetGroup) {
    EXPECT_FALSE(g_pProcMode->Find(QStringLiteral("a")));
    CMission* pPath = NewMission(QStringLiteral("/data/"), FLOW_MODE_PATH);
    g_pPathMode->Insert(pPath);
    EXPECT_TRUE(g_pPathMode->Find(QStringLiteral("/data/")));
    EXPECT_FALSE(g_pProcMode->Find(QStringLiteral("/data/")));
    EXPECT_EQ(pPath->GetGroup(), g_pPathMode);
    CMission loose;
    loose.strTargetName = QStringLiteral("loose");
    EXPECT_EQ(loose.GetGroup(), nullptr);
}

TEST_F(MissionGroups, RemovingANameTheGroupDoesNotHoldChangesNothing) {
    g_pProcMode->Insert(NewMission(QStringLiteral("a")));
    EXPECT_TRUE(g_pProcMode->Remove(QStringLiteral("zzz")));
    EXPECT_EQ(Names(g_pProcMode), QStringList({"a"}));
    EXPECT_TRUE(m_Log.Has(15, "Not find mission to delete."));
}

TEST_F(MissionGroups, RemoveStopsTheMission) {
    CMission* p = NewMission(QStringLiteral("a"));
    g_pProcMode->Insert(p);
    p->Start();
    std::unique_ptr<CMission> pTaken(g_pProcMode->Take(QStringLiteral("a")));
    EXPECT_FALSE(pTaken->bMissionActive);
    EXPECT_EQ(FLOW_SCRIPT::RemovedNames(), std::vector<QString>{QStringLiteral("a")});
    EXPECT_TRUE(m_Log.Has(15, "Remove pMission<a>"));
}

TEST_F(MissionGroups, ASecondMissionOfAHeldNameIsRefused) {
    ASSERT_TRUE(g_pProcMode->Insert(NewMission(QStringLiteral("a"))));
    std::unique_ptr<CMission> pDuplicate(NewMission(QStringLiteral("a")));
    EXPECT_FALSE(g_pRecycler->Insert(pDuplicate.get()));
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_NE(FindMission(QStringLiteral("a")), pDuplicate.get());
    EXPECT_TRUE(m_Log.Has(8, "Insert mission<a> to group<Recycler> refused"));
}

// Index, groups and GetGroup use one comparison: names differing in case
// are two missions everywhere, and removing one never takes the other.
TEST_F(MissionGroups, NamesDifferingInCaseAreTwoMissionsEverywhere) {
    CMission* pUpper = NewMission(QStringLiteral("Firefox"));
    CMission* pLower = NewMission(QStringLiteral("firefox"));
    ASSERT_TRUE(g_pProcMode->Insert(pUpper));
    ASSERT_TRUE(g_pProcMode->Insert(pLower));
    EXPECT_EQ(g_mapMissions.size(), 2u);
    EXPECT_FALSE(g_pProcMode->Find(QStringLiteral("FIREFOX")));

    std::unique_ptr<CMission> pTaken(g_pProcMode->Take(QStringLiteral("firefox")));
    EXPECT_EQ(pTaken.get(), pLower);
    EXPECT_EQ(Names(g_pProcMode), QStringList({"Firefox"}));
    EXPECT_EQ(FindMission(QStringLiteral("Firefox")), pUpper);
    EXPECT_EQ(FindMission(QStringLiteral("firefox")), nullptr);
    EXPECT_EQ(pUpper->GetGroup(), g_pProcMode);
    EXPECT_EQ(pTaken->GetGroup(), nullptr);
}

TEST_F(MissionGroups, DeletingTwiceMovesToTheRecyclerThenDestroys) {
    CMission* p = NewMission(QStringLiteral("/data/"), FLOW_MODE_PATH);
    ASSERT_TRUE(AddNewMission(p));
    ASSERT_TRUE(p->bMissionActive);
    ASSERT_TRUE(ReadFile(QStringLiteral("./Vrekta_PathMode.vkm")).contains("/data/"));

    EXPECT_FALSE(DeleteMission(p)); // moved, not destroyed
    EXPECT_FALSE(p->bMissionActive);
    EXPECT_EQ(p->GetGroup(), g_pRecycler);
    EXPECT_EQ(FindMission(QStringLiteral("/data/")), p);
    EXPECT_FALSE(ReadFile(QStringLiteral("./Vrekta_PathMode.vkm")).contains("/data/"));
    EXPECT_TRUE(ReadFile(QStringLiteral("./Vrekta_Recycler.vkm")).contains("/data/"));

    std::vector<CMission*> released;
    EXPECT_TRUE(DeleteMission(p, [&](CMission* pGone) { released.push_back(pGone); }));
    EXPECT_EQ(released, std::vector<CMission*>{p});
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_TRUE(g_mapMissions.empty());
    EXPECT_FALSE(ReadFile(QStringLiteral("./Vrekta_Recycler.vkm")).contains("/data/"));
    EXPECT_EQ(FLOW_SCRIPT::vecRemoved.size(), 1u); // stopped once, on the way in
}

// If the library refuses the stop, the mission still rests in the recycler
// stopped, is stored stopped, and is not started by the next load.
TEST_F(MissionGroups, AMissionEntersTheRecyclerStoppedEvenWhenTheLibraryRefuses) {
    CMission* p = NewMission(QStringLiteral("a"));
    AddNewMission(p);
    FLOW_SCRIPT::bRemoveDefault = FALSE;
    DeleteMission(p);
    EXPECT_EQ(p->GetGroup(), g_pRecycler);
    EXPECT_FALSE(p->bMissionActive);
    EXPECT_TRUE(m_Log.Has(8, "Stop of mission<a> refused"));
    EXPECT_TRUE(ReadFile(QStringLiteral("./Vrekta_Recycler.vkm"))
                    .contains("<bMissionActive>0</bMissionActive>"));
    FLOW_SCRIPT::bRemoveDefault = TRUE;
    Restart();
    EXPECT_TRUE(FLOW_SCRIPT::vecAdded.empty());
}

TEST_F(MissionGroups, RecoverAppendsToTheGroupOfItsModeAndStarts) {
    g_pPathMode->Insert(NewMission(QStringLiteral("/first/"), FLOW_MODE_PATH));
    CMission* p = NewMission(QStringLiteral("/data/"), FLOW_MODE_PATH);
    g_pRecycler->Insert(p);

    EXPECT_FALSE(SetMissionRunning(p, TRUE)); // nothing runs in the recycler
    EXPECT_TRUE(FLOW_SCRIPT::vecAdded.empty());

    ASSERT_TRUE(RecoverMission(p));
    EXPECT_EQ(Names(g_pPathMode), QStringList({"/first/", "/data/"}));
    EXPECT_TRUE(p->bMissionActive);
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_TRUE(ReadFile(QStringLiteral("./Vrekta_PathMode.vkm")).contains("/data/"));
    EXPECT_TRUE(QFile::exists(QStringLiteral("./Vrekta_Recycler.vkm")));
    EXPECT_FALSE(RecoverMission(p)); // not in the recycler any more
}

TEST_F(MissionGroups, StartAndStopFromTheListSaveTheGroup) {
    CMission* p = NewMission(QStringLiteral("a"));
    g_pProcMode->Insert(p);
    ASSERT_TRUE(SetMissionRunning(p, TRUE));
    EXPECT_TRUE(p->bMissionActive);
    EXPECT_TRUE(ReadFile(QStringLiteral("./Vrekta_ProcMode.vkm"))
                    .contains("<bMissionActive>1</bMissionActive>"));
    ASSERT_TRUE(SetMissionRunning(p, FALSE));
    EXPECT_TRUE(ReadFile(QStringLiteral("./Vrekta_ProcMode.vkm"))
                    .contains("<bMissionActive>0</bMissionActive>"));
}

TEST_F(MissionGroups, ReplaceDestroysTheOldAndStartsTheNewWithoutItsCounters) {
    CMission* pOld = NewMission(QStringLiteral("a"));
    pOld->llAlreadyReads = 12345;
    AddNewMission(pOld);
    CMission* pNew = NewMission(QStringLiteral("a"));
    pNew->uLimitReadSpeed = 1u << 20;

    std::vector<CMission*> released;
    ASSERT_TRUE(ReplaceMission(pOld, pNew, [&](CMission* pGone) { released.push_back(pGone); }));
    EXPECT_EQ(released, std::vector<CMission*>{pOld});
    EXPECT_EQ(FindMission(QStringLiteral("a")), pNew);
    EXPECT_EQ(g_pProcMode->m_vecMissions, std::vector<CMission*>{pNew});
    EXPECT_TRUE(pNew->bMissionActive);
    EXPECT_EQ(FLOW_SCRIPT::RemovedNames(), std::vector<QString>{QStringLiteral("a")});
    ASSERT_EQ(FLOW_SCRIPT::vecAdded.size(), 2u);
    EXPECT_EQ(FLOW_SCRIPT::vecAdded[1].llAlreadyReads, 0);
    EXPECT_EQ(FLOW_SCRIPT::vecAdded[1].uLimitReadSpeed, 1u << 20);
}

TEST_F(MissionGroups, ReplacingAMissionFromTheRecyclerBringsItBack) {
    CMission* pOld = NewMission(QStringLiteral("a"));
    g_pRecycler->Insert(pOld);
    CMission* pNew = NewMission(QStringLiteral("a"));
    ASSERT_TRUE(ReplaceMission(pOld, pNew));
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_EQ(pNew->GetGroup(), g_pProcMode);
    EXPECT_TRUE(pNew->bMissionActive);
}

TEST_F(MissionGroups, ARefusedNewMissionLeavesEverythingAsItWas) {
    CMission* pOld = NewMission(QStringLiteral("a"));
    AddNewMission(pOld);
    struct REFUSAL {
        const char* pszName;
        std::uint32_t uMode;
    };
    for (const REFUSAL& r : {REFUSAL{"a", 3}, REFUSAL{"/usr/bin/a", FLOW_MODE_PROCESS},
                             REFUSAL{"relative/", FLOW_MODE_PATH}}) {
        std::unique_ptr<CMission> pNew(NewMission(QString::fromLatin1(r.pszName), r.uMode));
        EXPECT_FALSE(ReplaceMission(pOld, pNew.get())) << r.pszName;
        EXPECT_EQ(FindMission(QStringLiteral("a")), pOld);
        EXPECT_TRUE(pOld->bMissionActive);
    }
    // A new mission may not take a name another mission holds.
    std::unique_ptr<CMission> pClash(NewMission(QStringLiteral("a")));
    EXPECT_FALSE(AddNewMission(pClash.get()));
    EXPECT_EQ(g_pProcMode->m_vecMissions, std::vector<CMission*>{pOld});
    EXPECT_EQ(FLOW_SCRIPT::vecAdded.size(), 1u);
}

TEST_F(MissionGroups, AMissionTheLibraryRefusesIsStillAddedStopped) {
    FLOW_SCRIPT::bAddDefault = FALSE;
    CMission* p = NewMission(QStringLiteral("a"));
    ASSERT_TRUE(AddNewMission(p));
    EXPECT_EQ(p->GetGroup(), g_pProcMode);
    EXPECT_FALSE(p->bMissionActive);
}

TEST_F(MissionGroups, ClearRecyclerDestroysEveryMission) {
    for (const char* psz : {"a", "b", "c"})
        g_pRecycler->Insert(NewMission(QString::fromLatin1(psz)));
    std::vector<QString> released;
    ClearRecycler([&](CMission* p) { released.push_back(p->strTargetName); });
    EXPECT_EQ(released, (std::vector<QString>{"a", "b", "c"}));
    EXPECT_TRUE(g_pRecycler->m_vecMissions.empty());
    EXPECT_TRUE(g_mapMissions.empty());
}

TEST_F(MissionGroups, DestroyingAGroupSavesRunningStatesThenWithdrawsEach) {
    CMission* pA = NewMission(QStringLiteral("a"));
    CMission* pB = NewMission(QStringLiteral("b"));
    AddNewMission(pA);
    AddNewMission(pB);
    delete g_pProcMode;
    g_pProcMode = nullptr;
    EXPECT_EQ(FLOW_SCRIPT::RemovedNames(),
              (std::vector<QString>{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(ReadFile(QStringLiteral("./Vrekta_ProcMode.vkm"))
                  .count("<bMissionActive>1</bMissionActive>"),
              2);
    // The index never points at a destroyed mission.
    EXPECT_TRUE(g_mapMissions.empty());
}

} // namespace
