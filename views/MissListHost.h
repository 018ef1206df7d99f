// What the mission list needs of the window that hosts it. The main window
// implements this and hands itself to CMissList::SetHost; the list never
// reaches the window any other way, and works (without these effects) while
// no host is set.
#pragma once

class CMission;
class CMissionGroup;

class IMissListHost {
public:
    virtual ~IMissListHost() = default;

    // The list now shows pGroup: switch that group's selector button on
    // (and so the other two off) unless it is on already.
    virtual void CheckGroupButton(CMissionGroup* pGroup) = 0;

    // The speed chart's mission (CQosCurve::SetMission and its current
    // value). Set when a row is selected; cleared (nullptr) when the mission
    // it shows is destroyed.
    virtual CMission* GetChartMission() const = 0;
    virtual void SetChartMission(CMission* pMission) = 0;

    // The chart's read and write curve switches. Setting one also sets the
    // check mark of the window's View menu item "Show &Read Chart" or
    // "Show &Write Chart" to match.
    virtual bool GetShowRead() const = 0;
    virtual bool GetShowWrite() const = 0;
    virtual void SetShowRead(bool bShow) = 0;
    virtual void SetShowWrite(bool bShow) = 0;

    // Writes the options file with the chart switches as they now are.
    virtual void SaveOptions() = 0;

    // Modal dialogs opened by "Properties(&O)": the options dialog when no
    // row is selected, the mission editor for the one selected row's mission.
    virtual void OpenOptionsDialog() = 0;
    virtual void OpenMissionEditor(CMission* pMission) = 0;
};
