// What the options dialog needs from the window that owns the speed chart,
// the View menu and the refresh timer.
#pragma once

class COptionHost {
public:
    virtual ~COptionHost() = default;

    virtual bool IsReadChartShown() const = 0;
    virtual bool IsWriteChartShown() const = 0;
    // Sets the chart's two curves and the View menu's check marks to match.
    virtual void SetChartCurves(bool bShowRead, bool bShowWrite) = 0;
    // Starts the refresh timer again with g_AppOptions.uFreshTime.
    virtual void RestartRefreshTimer() = 0;
    // Writes the options file with the current values.
    virtual void SaveAppOptions() = 0;
};
