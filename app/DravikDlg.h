// The program's only top-level window: mission list, speed chart and
// operation log, the toolbar and group selector, the menus, the tray icon and
// the refresh timer. Closing or minimising it only hides it behind the tray
// icon; the program ends through "E&xit" alone.
#pragma once

#include "app/OptionHost.h"
#include "skin/SkinDialog.h"
#include "views/MissListHost.h"
#include "views/MissionDlgHost.h"

#include <QRect>
#include <QTimer>
#include <QUrl>
#include <array>
#include <functional>

class CBitmapButton;
class CLogList;
class CMissList;
class CQosCurve;
class QAction;
class QButtonGroup;
class QMenu;
class QSystemTrayIcon;

class CDravikDlg : public CSkinDialog,
                   public IMissListHost,
                   public IMissionDlgHost,
                   public COptionHost {
    Q_OBJECT
public:
    // The sixteen image buttons, in the order of the layout table.
    enum Button : int {
        BTN_NEW,
        BTN_EDIT,
        BTN_DELETE,
        BTN_START,
        BTN_STOP,
        BTN_SETTING,
        BTN_HELP,
        BTN_PROC_MODE,
        BTN_PATH_MODE,
        BTN_RECYCLER,
        BTN_HOME_PAGE,
        BTN_UPDATE_WEB,
        BTN_HELP_ONLINE,
        BTN_EMAIL,
        BTN_CHART_TAB,
        BTN_LOG_TAB,
        BUTTON_COUNT
    };

    static constexpr int ID_TIMER_REFRESH = 9511;
    static constexpr int ID_TIMER_HIDE = 34056;
    static constexpr int WINDOW_WIDTH = 1024;
    static constexpr int WINDOW_HEIGHT = 748;
    int ClientWidth() const { return WINDOW_WIDTH - NonClientWidth(); }
    int ClientHeight() const { return WINDOW_HEIGHT - NonClientHeight(); }
    static inline const QString TRAY_TIP = QStringLiteral("Dravik running");
    static inline const QString SUPPORT_PAGE = QStringLiteral("/support.html");
    static inline const QString INDEX_PAGE = QStringLiteral("/index.html");
    static inline const QString SUPPORT_EMAIL = QStringLiteral("support@dravik.example");

    explicit CDravikDlg(QWidget* pParent = nullptr);
    // Saves the options, removes the tray icon and deletes the three groups
    // (which saves their files and withdraws the running missions).
    ~CDravikDlg() override;

    // Everything of the window's initialisation that touches the options,
    // the groups and the timers; the groups must exist.
    void Initialize();
    void InitMissions();
    // One refresh tick: statistics from the library into the missions, then
    // the list and the chart.
    void RefreshStatistics();

    // Commands.
    void DeleteSelectedMissions();
    void StartSelectedMissions();
    void StopSelectedMissions();
    void OpenWebPage(const QString& strPage);
    void ShowEmail();
    void ShowAbout();
    void NewMission();
    void EditMission();
    void ShowPane(bool bChart);
    // Hides the window behind the tray icon; where no tray can show the icon
    // it minimises instead, so the window can always be brought back.
    void HideToTray();
    void RestoreFromTray();
    // Tray notifications: double click toggles, the context menu is shown by
    // the tray itself.
    void OnTrayDoubleClick();
    // The tray came back (the panel restarted): add the icon again.
    void OnTaskbarCreated();
    // Ends the program's run; the owner destroys the window afterwards.
    void Exit();
    // Saves everything that would be saved at exit, without exiting (the
    // session manager asks for this before the session ends).
    void SaveAll();

    // --- access for the application object and for tests ------------------
    CMissList* MissList() const { return m_pMissList; }
    CLogList* LogList() const { return m_pLogList; }
    CQosCurve* Chart() const { return m_pChart; }
    CBitmapButton* GetButton(Button button) const { return m_Buttons[button]; }
    QSystemTrayIcon* TrayIcon() const { return m_pTray; }
    QMenu* TrayMenu() const { return m_pTrayMenu; }
    QAction* TrayRestoreAction() const { return m_pActRestore; }
    QAction* ShowReadAction() const { return m_pActShowRead; }
    QAction* ShowWriteAction() const { return m_pActShowWrite; }
    const QTimer& RefreshTimer() const { return m_RefreshTimer; }
    const QTimer& HideTimer() const { return m_HideTimer; }
    QRect MissListRect() const { return m_rcMissList; }
    // Replaces the test of whether a system tray can show the icon.
    void SetTrayAvailableProbe(std::function<bool()> fnProbe);
    // Replaces how a page is opened (tests record the address instead).
    void SetUrlOpener(std::function<bool(const QUrl&)> fnOpen);
    // Where the shipped help pages are, or an empty string.
    static QString HelpFolder();

    // --- IMissListHost --------------------------------------------------------
    void CheckGroupButton(CMissionGroup* pGroup) override;
    CMission* GetChartMission() const override;
    void SetChartMission(CMission* pMission) override;
    bool GetShowRead() const override;
    bool GetShowWrite() const override;
    void SetShowRead(bool bShow) override;
    void SetShowWrite(bool bShow) override;
    void SaveOptions() override;
    void OpenOptionsDialog() override;
    void OpenMissionEditor(CMission* pMission) override;

    // --- IMissionDlgHost (chart access shared with IMissListHost) ----------
    void ShowGroup(CMissionGroup* pGroup) override;
    void RemoveMissionRow(const QString& strTargetName) override;

    // --- COptionHost -------------------------------------------------------
    bool IsReadChartShown() const override { return GetShowRead(); }
    bool IsWriteChartShown() const override { return GetShowWrite(); }
    void SetChartCurves(bool bShowRead, bool bShowWrite) override;
    void RestartRefreshTimer() override;
    void SaveAppOptions() override { SaveOptions(); }

signals:
    // "E&xit" was chosen (or the system asked the program to end).
    void ExitRequested();
    // The window was painted for the first time.
    void FirstPainted();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void BuildMenus();
    void BuildTray();
    void BuildButtons();
    void BuildViews();
    void RelayoutMissList();
    void OnHideTimer();
    void PollTray();

    CMissList* m_pMissList = nullptr;
    CLogList* m_pLogList = nullptr;
    CQosCurve* m_pChart = nullptr;
    std::array<CBitmapButton*, BUTTON_COUNT> m_Buttons{};
    QButtonGroup* m_pGroupButtons = nullptr;

    QAction* m_pActShowRead = nullptr;
    QAction* m_pActShowWrite = nullptr;
    QMenu* m_pTrayMenu = nullptr;
    QAction* m_pActRestore = nullptr;
    QSystemTrayIcon* m_pTray = nullptr;
    QMenu* m_pSystemMenu = nullptr;

    QTimer m_RefreshTimer;
    QTimer m_HideTimer;
    QTimer m_TrayPoll;
    bool m_bTrayWasAvailable = false;
    bool m_bShutDown = false;
    bool m_bPainted = false;
    QRect m_rcMissList;
    std::function<bool()> m_fnTrayAvailable;
    std::function<bool(const QUrl&)> m_fnOpenUrl;
    class COperationLog* m_pPreviousLog = nullptr;
    IMissionDlgHost* m_pPreviousEditorHost = nullptr;
};
