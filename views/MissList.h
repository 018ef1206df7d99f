// The main window's list of missions: one row per mission of the group shown
// (process mode, path mode or recycler) with its limits, speeds, totals,
// start time and running time. Double click starts or stops a mission, the
// Delete key deletes the selected ones, a right click opens the popup menu,
// and selecting a row gives its mission to the speed chart.
//
// A row belongs to the mission whose target name is the row's "Name" text;
// missions are found by name through the index (FindMission).
#pragma once

#include "views/ListCtrlCn.h"

#include <QString>
#include <QStringList>

class CMission;
class CMissionGroup;
class IMissListHost;
class QAction;
class QMenu;

class CMissList : public CListCtrlCn {
    Q_OBJECT

public:
    // Popup commands; the window's Mission menu runs the same ones through
    // RunCommand.
    enum : int {
        ID_MISS_START = 32776,
        ID_MISS_STOP = 32777,
        ID_MISS_DELETE = 32778,
        ID_MISS_SELECT_ALL = 32788,
        ID_MISS_CLEAR_RECYCLER = 32786,
        ID_MISS_RECOVER = 32787,
        ID_MISS_READ_CHART = 32783,
        ID_MISS_WRITE_CHART = 32784,
        ID_MISS_PROPERTIES = 32785,
    };

    enum : int {
        COL_STATE = 0,
        COL_NAME,
        COL_LIMIT_READ_SPEED,
        COL_LIMIT_WRITE_SPEED,
        COL_LIMIT_TOTAL_READS,
        COL_LIMIT_TOTAL_WRITES,
        COL_READ_SPEED,
        COL_WRITE_SPEED,
        COL_TOTAL_READS,
        COL_TOTAL_WRITES,
        COL_START_TIME,
        COL_DURING,
        COLUMN_COUNT
    };

    // State icons of the small-icon list (resources 148, 149, 150).
    enum : int { IMAGE_STOPPED = 0, IMAGE_RUNNING = 1, IMAGE_ERROR = 2 };

    static constexpr int ROW_HEIGHT = 18;

    // Sets up the twelve columns, the state icons, multiple selection, grid
    // lines and 18-pixel rows, so the window only places the list.
    explicit CMissList(QWidget* pParent = nullptr);
    ~CMissList() override;

    void SetHost(IMissListHost* pHost) { m_pHost = pHost; }
    IMissListHost* GetHost() const { return m_pHost; }

    // Shows pGroup: all rows rebuilt, and the group's selector button checked.
    void SetGroup(CMissionGroup* pGroup);
    CMissionGroup* GetGroup() const { return m_pGroup; }
    // Brings the rows up to date with the missions of the group shown: rows
    // keep their order (a sort stays), missions without a row get one at the
    // end, and no row is removed here.
    void Refresh();

    // Act on the mission of one row. Missions in the recycler are refused.
    void ToggleRow(int nRow);
    void StartRow(int nRow);
    void StopRow(int nRow);
    // Deletes the first row named strName; nothing when there is none.
    void RemoveRowByName(const QString& strName);
    // Asks, then deletes the selected missions from the bottom row up:
    // missions of a process or path group move to the recycler, missions in
    // the recycler are destroyed for good.
    void DeleteSelected();

    // The popup commands (and the window's Mission menu items).
    void RunCommand(int nCommandId);
    void OnStartSelected();
    void OnStopSelected();
    void OnSelectAll();
    void OnClearRecycler();
    void OnRecover();
    void OnReadChart();
    void OnWriteChart();
    void OnProperties();

    // Sets the popup's check marks and enabled items for the current
    // selection and view, without showing it.
    QMenu* PrepareContextMenu();
    // Prepares the popup and runs it at the cursor.
    void ShowContextMenu();
    QMenu* GetMenu() const { return m_menu; }
    QAction* GetMenuAction(int nCommandId) const;

    const QStringList& GetColumnTitles() const { return m_szColumns; }

protected:
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    enum class RowCommand { Toggle, Start, Stop };
    void RunRowCommand(int nRow, RowCommand command);
    void FillRow(int nRow, CMission* pMission, int nFirstColumn);
    // Deletes one row and its mission (moved to the recycler or destroyed);
    // false when the whole operation must end.
    bool DeleteRowMission(int nRow);
    void ReleaseMission(CMission* pMission);
    void OnSelectionChanged(const class QItemSelection& selected);
    void BuildMenu();

    CMissionGroup* m_pGroup = nullptr; // not owned
    IMissListHost* m_pHost = nullptr;  // not owned
    QMenu* m_menu = nullptr;           // owned through the widget tree
    QStringList m_szColumns;
};
