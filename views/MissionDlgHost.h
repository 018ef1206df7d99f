// What the mission editor needs of the main window. The window implements
// this and registers itself with CMissionDlg::SetDefaultHost; editors opened
// from anywhere (the select-mission dialog opens one with no parent) then
// reach the window's mission list and speed chart through it. Without a host
// the editor still validates, replaces and applies missions; only the views
// are left alone.
//
// GetChartMission and SetChartMission have the same signatures as those of
// IMissListHost, so one override in the window serves both interfaces.
#pragma once

class CMission;
class CMissionGroup;
class QString;

class IMissionDlgHost {
public:
    virtual ~IMissionDlgHost() = default;

    // The mission list shows pGroup from now on (CMissList::SetGroup, which
    // also checks the group's selector button).
    virtual void ShowGroup(CMissionGroup* pGroup) = 0;
    // The mission list drops the first row named strTargetName
    // (CMissList::RemoveRowByName); nothing when there is none.
    virtual void RemoveMissionRow(const QString& strTargetName) = 0;

    // The speed chart's mission (CQosCurve::GetMission / SetMission).
    virtual CMission* GetChartMission() const = 0;
    virtual void SetChartMission(CMission* pMission) = 0;
};
