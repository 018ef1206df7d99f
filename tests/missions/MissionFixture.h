// Shared fixture of the mission tests: a scratch working folder (mission
// files are "./..."), a scripted flow library, a recorded operation log, a
// pinned clock, captured diagnostic lines and the three groups.
#pragma once

#include "app/core/FlowApi.h"
#include "app/core/Options.h"
#include "missions/MissionGroup.h"
#include "missions/OperationLog.h"
#include "tests/missions/LogCapture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The flow library as a script: records every call and answers from queues
// (then from the default answer).
struct FLOW_SCRIPT {
    static inline std::vector<FLOW_MISSION> vecAdded;
    static inline std::vector<std::u16string> vecRemoved;
    static inline std::deque<BOOL> queAddAnswers;
    static inline std::deque<BOOL> queRemoveAnswers;
    static inline BOOL bAddDefault = TRUE;
    static inline BOOL bRemoveDefault = TRUE;

    static BOOL Add(FLOW_MISSION mission) {
        vecAdded.push_back(mission);
        return Next(queAddAnswers, bAddDefault);
    }
    static BOOL Remove(std::u16string strName) {
        vecRemoved.push_back(strName);
        return Next(queRemoveAnswers, bRemoveDefault);
    }
    static BOOL Next(std::deque<BOOL>& queue, BOOL bDefault) {
        if (queue.empty())
            return bDefault;
        BOOL b = queue.front();
        queue.pop_front();
        return b;
    }
    static void Install() {
        vecAdded.clear();
        vecRemoved.clear();
        queAddAnswers.clear();
        queRemoveAnswers.clear();
        bAddDefault = TRUE;
        bRemoveDefault = TRUE;
        g_FlowApi = FLOW_API{};
        g_FlowApi.pfnAddMission = &Add;
        g_FlowApi.pfnRemoveMission = &Remove;
    }
    static std::vector<QString> RemovedNames() {
        std::vector<QString> names;
        for (const auto& s : vecRemoved)
            names.push_back(QString::fromStdU16String(s));
        return names;
    }
};

class CRecordedOperationLog : public COperationLog {
public:
    void AddLine(const QString& strLine) override { m_vecLines.push_back(strLine); }
    std::vector<QString> m_vecLines;
};

// 3 March 2010, 10:20:30 local time.
inline std::time_t PinnedNow() {
    return QDateTime(QDate(2010, 3, 3), QTime(10, 20, 30)).toSecsSinceEpoch();
}

inline QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& strPath, const QByteArray& data) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

inline QString FixturePath(const QString& strName) {
    return QStringLiteral(DRAVIK_TEST_DATA_DIR "/missions/") + strName;
}

class MissionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Dir.isValid());
        m_strOldDir = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_Dir.path()));
        FLOW_SCRIPT::Install();
        m_pPreviousLog = COperationLog::Install(&m_OpLog);
        m_pfnPreviousClock = SetMissionClock(&PinnedNow);
        g_AppOptions = APP_OPTIONS{};
        g_mapMissions.clear();
        g_pProcMode = new CMissionGroup(QStringLiteral("ProcMode"));
        g_pPathMode = new CMissionGroup(QStringLiteral("PathMode"));
        g_pRecycler = new CMissionGroup(QStringLiteral("Recycler"));
    }

    void TearDown() override {
        DeleteGroups();
        g_mapMissions.clear();
        SetMissionClock(m_pfnPreviousClock);
        COperationLog::Install(m_pPreviousLog);
        g_FlowApi = FLOW_API{};
        QDir::setCurrent(m_strOldDir);
    }

    // What the main window does at exit: each group saves, then destroys.
    void DeleteGroups() {
        for (CMissionGroup** ppGroup : {&g_pProcMode, &g_pPathMode, &g_pRecycler}) {
            delete *ppGroup;
            *ppGroup = nullptr;
        }
    }

    // A fresh start of the program on the files of the working folder.
    void Restart() {
        DeleteGroups();
        g_pProcMode = new CMissionGroup(QStringLiteral("ProcMode"));
        g_pPathMode = new CMissionGroup(QStringLiteral("PathMode"));
        g_pRecycler = new CMissionGroup(QStringLiteral("Recycler"));
        FLOW_SCRIPT::vecAdded.clear();
        FLOW_SCRIPT::vecRemoved.clear();
        m_OpLog.m_vecLines.clear();
        g_pProcMode->Load();
        g_pPathMode->Load();
        g_pRecycler->Load();
    }

    static CMission* NewMission(const QString& strName, std::uint32_t uMode = FLOW_MODE_PROCESS) {
        auto* pMission = new CMission;
        pMission->strTargetName = strName;
        pMission->uMode = uMode;
        return pMission;
    }

    // Names of a group's missions in order.
    static QStringList Names(const CMissionGroup* pGroup) {
        QStringList names;
        for (const CMission* p : pGroup->m_vecMissions)
            names << p->strTargetName;
        return names;
    }

    QTemporaryDir m_Dir;
    QString m_strOldDir;
    CRecordedOperationLog m_OpLog;
    COperationLog* m_pPreviousLog = nullptr;
    MISSION_CLOCK m_pfnPreviousClock = nullptr;
    CLogCapture m_Log;
};
