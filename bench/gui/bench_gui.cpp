// Prints the main window's figures:
//   1. one refresh tick with 32 running missions and full histories (goal < 1 ms)
//   2. one chart paint at 1024 x 310 with a full history (goal < 5 ms)
//   3. start-up of the real program to its first painted window, against a
//      device that answers like a running service (goal < 400 ms)
//   4. resident memory while 100000 ticks run (goal: flat once histories fill)
// Usage: bench_gui [ticks]   (default 100000)

#include "app/DravikDlg.h"
#include "app/core/FlowApi.h"
#include "app/core/Options.h"
#include "comm/DbgInfoLog.h"
#include "missions/MissionGroup.h"
#include "skin/FlatMenuStyle.h"
#include "views/MissList.h"
#include "views/QosCurve.h"

#ifdef DRAVIK_BENCH_FAKE_DRIVER
#include "tests/support/FakeDriver.h"
#endif

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMissions = 32;
std::uint32_t g_uTick = 0;

BOOL Ok() {
    return TRUE;
}
BOOL Add(FLOW_MISSION) {
    return TRUE;
}
BOOL Remove(std::u16string) {
    return TRUE;
}

// 32 records, one per mission, with changing figures, as a busy driver sends.
BOOL GetLog(FLOW_LOG* pLogs, std::uint32_t uCapacity, std::uint32_t* puCount) {
    ++g_uTick;
    std::uint32_t n = 0;
    for (const auto& [strName, pMission] : g_mapMissions) {
        if (n >= uCapacity)
            break;
        FLOW_LOG& log = pLogs[n++];
        std::fill(std::begin(log.szTargetName), std::end(log.szTargetName), u'\0');
        const std::u16string name = strName.left(29).toStdU16String();
        std::copy(name.begin(), name.end(), log.szTargetName);
        log.uReadBytes = (g_uTick * 7919u + n * 104729u) % 52428800u;
        log.uWriteBytes = (g_uTick * 6271u + n * 15485863u) % 52428800u;
        log.llAlreadyReads = pMission->llAlreadyReads + log.uReadBytes;
        log.llAlreadyWrites = pMission->llAlreadyWrites + log.uWriteBytes;
    }
    *puCount = n;
    return TRUE;
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct STATS {
    double dMedian;
    double dP95;
    double dMean;
};

STATS Measure(int nRuns, const std::function<void()>& fn) {
    std::vector<double> times;
    times.reserve(nRuns);
    QElapsedTimer timer;
    for (int i = 0; i < nRuns; ++i) {
        timer.start();
        fn();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    double dSum = 0;
    for (double d : times)
        dSum += d;
    return {times[times.size() / 2], times[times.size() * 95 / 100], dSum / times.size()};
}

void Report(const char* name, const STATS& s, double dGoal) {
    std::printf("%-44s median %7.3f ms  p95 %7.3f ms  mean %7.3f ms  (goal < %.0f ms: %s)\n", name,
                s.dMedian, s.dP95, s.dMean, dGoal, s.dMedian < dGoal ? "met" : "MISSED");
}

void BenchStartUp() {
#ifdef DRAVIK_BENCH_FAKE_DRIVER
    CFakeDriver driver;
    if (!driver.IsListening()) {
        std::printf("start-up: no device socket (%d); skipped\n", driver.Error());
        return;
    }
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QTemporaryDir work;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORBEL_DEVICE"), QString::fromStdString(driver.Path()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("DRAVIK_LOCK_DIR"), work.path());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(work.path());
        QElapsedTimer timer;
        timer.start();
        program.start(QStringLiteral(DRAVIK_BIN_DIR "/dravik"),
                      {QStringLiteral("--exit-after-first-paint")});
        double dPainted = -1;
        while (program.state() != QProcess::NotRunning || program.bytesAvailable()) {
            program.waitForReadyRead(20);
            if (program.readAll().contains("painted") && dPainted < 0)
                dPainted = timer.nsecsElapsed() / 1e6;
            if (timer.elapsed() > 10000)
                break;
        }
        program.waitForFinished(5000);
        if (dPainted < 0) {
            std::printf("start-up: no painted window (exit %d): %s\n", program.exitCode(),
                        program.readAllStandardError().constData());
            return;
        }
        times.push_back(dPainted);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %7.1f ms  best %7.1f ms  worst %7.1f ms  (goal < 400 ms: %s)\n",
                "start-up to first painted window", times[times.size() / 2], times.front(),
                times.back(), times[times.size() / 2] < 400 ? "met" : "MISSED");
#else
    std::printf("start-up: built without the driver test double; skipped\n");
#endif
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const long nTicks = argc > 1 ? std::atol(argv[1]) : 100000;
    QApplication app(argc, argv);
    CFlatMenuStyle::Install(app);

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    g_FlowApi.pfnInit = Ok;
    g_FlowApi.pfnUnInit = Ok;
    g_FlowApi.pfnAddMission = Add;
    g_FlowApi.pfnRemoveMission = Remove;
    g_FlowApi.pfnGetLog = GetLog;

    if (!qEnvironmentVariableIsSet("DRAVIK_BENCH_NO_STARTUP"))
        BenchStartUp();

    g_pProcMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PROC_MODE));
    g_pPathMode = new CMissionGroup(QString::fromLatin1(GROUP_NAME_PATH_MODE));
    g_pRecycler = new CMissionGroup(QString::fromLatin1(GROUP_NAME_RECYCLER));
    {
        CDravikDlg window;
        window.SetTrayAvailableProbe([] { return false; });
        window.Initialize();
        window.show();
        QApplication::processEvents();
        for (int i = 0; i < kMissions; ++i) {
            auto* pMission = new CMission;
            pMission->strTargetName = QStringLiteral("process-%1").arg(i, 2, 10, QLatin1Char('0'));
            pMission->uMode = FLOW_MODE_PROCESS;
            AddNewMission(pMission);
        }
        window.SetChartMission(g_pProcMode->m_vecMissions.front());
        const long nRssStart = ResidentKiB();
        // Fill every history to its cap first.
        for (std::uint32_t i = 0; i < MISSION_MAX_SAMPLES + 10; ++i)
            window.RefreshStatistics();
        const long nRssFull = ResidentKiB();

        Report("refresh tick, 32 missions, full histories",
               Measure(2000, [&] { window.RefreshStatistics(); }), 1.0);
        // Where a tick's time goes: the list's refresh and the chart's
        // repaint, each alone.
        Report("  of which: mission list refresh",
               Measure(500, [&] { window.MissList()->Refresh(); }), 1.0);
        Report("  of which: chart repaint", Measure(500, [&] { window.Chart()->UpdateChart(); }),
               1.0);
        Report("  of which: 32 record names matched",
               Measure(500,
                       [&] {
                           for (int i = 0; i < kMissions; ++i)
                               FindMissionForLogName(QStringLiteral("process-%1").arg(i));
                       }),
               1.0);
        Report("  of which: 33 level-4 diagnostic lines",
               Measure(500,
                       [&] {
                           for (int i = 0; i <= kMissions; ++i)
                               DBG_LOG(4,
                                       "miss<%s> Rspeed<%d(B/S)> Wspeed<%d(B/S)> Total_R<%I64d> "
                                       "Total_W<%I64d>",
                                       QStringLiteral("process-00"), 1u, 2u, std::int64_t(3),
                                       std::int64_t(4));
                       }),
               1.0);
        Report("  of which: 32 missions updated",
               Measure(500,
                       [&] {
                           for (CMission* pMission : g_pProcMode->m_vecMissions)
                               pMission->UpdateStatistics(1, 2, pMission->llAlreadyReads,
                                                          pMission->llAlreadyWrites);
                       }),
               1.0);

        CQosCurve chart;
        chart.resize(1024, 310);
        chart.SetMission(g_pProcMode->m_vecMissions.front());
        chart.show();
        QImage target(1024, 310, QImage::Format_RGB32);
        Report("chart paint 1024 x 310, full history",
               Measure(500,
                       [&] {
                           QPainter painter(&target);
                           chart.render(&painter);
                       }),
               5.0);
        // The same with grid, axes and labels drawn too, as after a resize.
        Report("  drawn from scratch",
               Measure(500,
                       [&] {
                           QPainter painter(&target);
                           chart.DrawChart(painter, 1024, 310);
                       }),
               5.0);

        // The timed runs above add a second chart and its images; the run
        // below starts from what they left, with their events handled.
        QApplication::processEvents();
        std::printf("resident memory: before ticks %ld KiB, histories full %ld KiB, "
                    "after the timed runs %ld KiB\n",
                    nRssStart, nRssFull, ResidentKiB());
        QElapsedTimer timer;
        timer.start();
        for (long i = 1; i <= nTicks; ++i) {
            window.RefreshStatistics();
            // Closely at first, where growth would show, then every 20000.
            const bool bReport = i == 1000 || i == 2000 || i == 5000 || i == 10000;
            if (bReport || i % 20000 == 0 || i == nTicks) {
                QApplication::processEvents();
                std::printf("resident memory after %6ld ticks: %ld KiB\n", i, ResidentKiB());
                std::fflush(stdout);
            }
        }
        std::printf("%ld ticks in %.1f s\n", nTicks, timer.elapsed() / 1000.0);
    }
    return 0;
}
