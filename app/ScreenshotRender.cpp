#include "app/ScreenshotRender.h"

#include "app/DravikDlg.h"
#include "app/core/FlowApi.h"
#include "app/core/Options.h"
#include "missions/MissionGroup.h"
#include "skin/FlatMenuStyle.h"
#include "views/MissList.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

struct SAMPLE_MISSION {
    const char* name;
    std::uint32_t uMode;
    double dReadMB;  // read limit, MB/s; < 0 off
    double dWriteMB; // write limit, MB/s; < 0 off
    double dTotalReadGB;
    double dTotalWriteGB;
    bool bRunning;
    int nStartedHoursAgo;
    double dReadLoad; // share of the read limit the target uses
    double dWriteLoad;
};

const SAMPLE_MISSION kMissions[] = {
    {"rsync", FLOW_MODE_PROCESS, 40, 20, -1, 200, true, 3, 0.82, 0.55},
    {"ffmpeg", FLOW_MODE_PROCESS, -1, 25, -1, 50, true, 1, 0.10, 0.9},
    {"tracker-miner-fs-3", FLOW_MODE_PROCESS, 4, 2, -1, -1, true, 26, 0.7, 0.3},
    {"updatedb", FLOW_MODE_PROCESS, 8, 0, -1, -1, false, 5, 0, 0},
    {"/srv/backup/", FLOW_MODE_PATH, 30, 30, -1, -1, true, 2, 0.4, 0.6},
    {"/home/alice/Downloads/", FLOW_MODE_PATH, -1, 12, -1, 100, true, 7, 0.0, 0.5},
};

int g_nTick = 0;

const SAMPLE_MISSION* Sample(const QString& strName) {
    for (const SAMPLE_MISSION& m : kMissions) {
        if (strName == QLatin1String(m.name))
            return &m;
    }
    return nullptr;
}

BOOL StubInit() {
    return TRUE;
}
BOOL StubUnInit() {
    return TRUE;
}
BOOL StubAdd(FLOW_MISSION) {
    return TRUE;
}
BOOL StubRemove(std::u16string) {
    return TRUE;
}

// A lively but plausible load: each target works near its limit with slow
// waves and short bursts.
BOOL StubGetLog(FLOW_LOG* pLogs, std::uint32_t uCapacity, std::uint32_t* puCount) {
    ++g_nTick;
    std::uint32_t n = 0;
    for (const auto& [strName, pMission] : g_mapMissions) {
        const SAMPLE_MISSION* pSample = Sample(strName);
        if (!pSample || !pMission->bMissionActive || n >= uCapacity)
            continue;
        const double t = g_nTick + n * 7;
        auto rate = [t](double dLimitMB, double dLoad, double dPhase) {
            const double dBase = dLimitMB > 0 ? dLimitMB : 30.0;
            const double dWave = 0.75 + 0.2 * std::sin(t / 9.0 + dPhase) +
                                 0.08 * std::sin(t / 2.3 + 2 * dPhase) +
                                 (static_cast<int>(t) % 17 == 0 ? 0.15 : 0.0);
            return static_cast<std::uint32_t>(dBase * dLoad * std::min(1.0, dWave) * 1048576.0);
        };
        FLOW_LOG& log = pLogs[n++];
        std::fill(std::begin(log.szTargetName), std::end(log.szTargetName), u'\0');
        const std::u16string strUtf16 = strName.left(29).toStdU16String();
        std::copy(strUtf16.begin(), strUtf16.end(), log.szTargetName);
        log.uReadBytes = rate(pSample->dReadMB, pSample->dReadLoad, 0.0);
        log.uWriteBytes = rate(pSample->dWriteMB, pSample->dWriteLoad, 1.7);
        log.llAlreadyReads = pMission->llAlreadyReads + log.uReadBytes;
        log.llAlreadyWrites = pMission->llAlreadyWrites + log.uWriteBytes;
    }
    *puCount = n;
    return TRUE;
}

CMission* MakeMission(const SAMPLE_MISSION& sample) {
    auto* pMission = new CMission;
    pMission->strTargetName = QString::fromLatin1(sample.name);
    pMission->uMode = sample.uMode;
    auto speed = [](double dMB) {
        return dMB < 0 ? FLOW_NO_SPEED_LIMIT : static_cast<std::uint32_t>(dMB * 1048576.0);
    };
    auto total = [](double dGB) {
        return dGB < 0 ? FLOW_NO_TOTAL_LIMIT : static_cast<std::int64_t>(dGB * 1073741824.0);
    };
    pMission->uLimitReadSpeed = speed(sample.dReadMB);
    pMission->uLimitWriteSpeed = speed(sample.dWriteMB);
    pMission->llLimitTotalReads = total(sample.dTotalReadGB);
    pMission->llLimitTotalWrites = total(sample.dTotalWriteGB);
    // Some history, so the totals look like a machine that has been busy.
    pMission->llAlreadyReads = static_cast<std::int64_t>(sample.nStartedHoursAgo) * 734003200;
    pMission->llAlreadyWrites = static_cast<std::int64_t>(sample.nStartedHoursAgo) * 419430400;
    return pMission;
}

} // namespace

int RenderScreenshot(int& argc, char** argv, const QString& strPngPath) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CFlatMenuStyle::Install(app);

    const QString strTarget = QFileInfo(strPngPath).absoluteFilePath();
    QTemporaryDir workDir;
    if (!workDir.isValid() || !QDir::setCurrent(workDir.path())) {
        std::fprintf(stderr, "Can not create a temporary working folder.\n");
        return 1;
    }

    g_FlowApi.pfnInit = StubInit;
    g_FlowApi.pfnUnInit = StubUnInit;
    g_FlowApi.pfnAddMission = StubAdd;
    g_FlowApi.pfnRemoveMission = StubRemove;
    g_FlowApi.pfnGetLog = StubGetLog;

    g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
    g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
    g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));

    int nResult = 1;
    {
        CDravikDlg window;
        window.SetTrayAvailableProbe([] { return false; });
        window.Initialize();
        const std::time_t now = MissionNow();
        for (const SAMPLE_MISSION& sample : kMissions) {
            CMission* pMission = MakeMission(sample);
            if (!AddNewMission(pMission)) {
                delete pMission;
                continue;
            }
            if (!sample.bRunning)
                SetMissionRunning(pMission, FALSE);
            pMission->tmStart = now - sample.nStartedHoursAgo * 3600 - 17 * 60;
        }
        CMission* pChartMission = FindMission(QStringLiteral("rsync"));
        window.MissList()->SetGroup(g_pProcMode);
        window.SetChartMission(pChartMission);
        for (int i = 0; i < 110; ++i)
            window.RefreshStatistics();
        window.MissList()->SetItemSelected(0, true);
        window.SetChartMission(pChartMission);
        window.show();
        QApplication::processEvents();

        const QPixmap picture = window.grab();
        if (picture.save(strTarget, "PNG")) {
            std::printf("%s\n", qUtf8Printable(strTarget));
            nResult = 0;
        } else {
            std::fprintf(stderr, "Can not write %s\n", qUtf8Printable(strTarget));
        }
    }
    return nResult;
}
