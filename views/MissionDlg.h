// The mission editor: a modal dialog that creates a mission or changes the
// limits of an existing one. Choosing the mode, the target (a running
// program picked or typed, or a directory typed or browsed for) and the four
// limits, then Apply or OK: the input is checked in a fixed order with fixed
// messages, megabytes per second and gigabytes become bytes, the user is
// asked before a limit forbids reading or writing and before a mission of
// the same name is replaced, and a fresh mission is started and put into the
// group of its mode. A mission is never changed in place: applying always
// replaces the edited mission by a new one.
#pragma once

#include "missions/TargetName.h"

#include <QDialog>
#include <QPixmap>
#include <QStringList>
#include <cstdint>
#include <functional>

class CMission;
class IMissionDlgHost;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CMissionDlg : public QDialog {
    Q_OBJECT

public:
    // Control IDs; GetDlgItem finds the control of an ID.
    enum : int {
        IDC_MODE = 1045,
        IDC_PROCESS = 1052,
        IDC_PATH = 1054,
        IDC_BROWSE = 1053,
        IDC_CHECK_READ_SPEED = 1024,
        IDC_EDIT_READ_SPEED = 1046,
        IDC_CHECK_TOTAL_READ = 1025,
        IDC_EDIT_TOTAL_READ = 1050,
        IDC_CHECK_WRITE_SPEED = 1026,
        IDC_EDIT_WRITE_SPEED = 1049,
        IDC_CHECK_TOTAL_WRITE = 1027,
        IDC_EDIT_TOTAL_WRITE = 1051,
        IDC_APPLY = 1038,
        IDOK_BUTTON = 1,
        IDCANCEL_BUTTON = 2,
    };
    static constexpr int CLIENT_WIDTH = 576;
    static constexpr int CLIENT_HEIGHT = 261;
    static constexpr int BACKGROUND_PICTURE = 237;

    // Returns the chosen folder, or an empty string when the user cancels.
    using FOLDER_BROWSER = std::function<QString(QWidget* pOwner, const QString& strTitle)>;

    // pMission: the mission to edit (not owned), or nullptr for a new one.
    explicit CMissionDlg(CMission* pMission, QWidget* pParent = nullptr);
    ~CMissionDlg() override;

    // The window that shows groups and the chart to every editor opened from
    // now on; nullptr for none. Returns the previous one.
    static IMissionDlgHost* SetDefaultHost(IMissionDlgHost* pHost);
    // This editor's host (defaults to the registered one).
    void SetHost(IMissionDlgHost* pHost) { m_pHost = pHost; }
    // Replaces the folder browser (QFileDialog::getExistingDirectory by
    // default; an empty function restores it). Returns the previous one.
    static FOLDER_BROWSER SetFolderBrowser(FOLDER_BROWSER fnBrowse);
    // The folder the process picker reads running programs from ("/proc").
    void SetProcRoot(const QString& strProcRoot) { m_strProcRoot = strProcRoot; }
    // The target name rules the input is checked with (the platform's).
    void SetTargetRules(TARGET_RULES rules) { m_Rules = rules; }

    QWidget* GetDlgItem(int nId) const;
    CMission* GetEditedMission() const { return m_pMission; }
    std::uint32_t GetMode() const { return m_uMode; }
    const QStringList& GetProcArr() const { return m_ProcArr; }

    // Selection change of the mode list.
    void OnModeChange();
    // Check, build and apply the mission; the editor stays open. True when
    // a mission was applied.
    bool OnApply();
    // OnApply, then close with the OK result whether or not it applied.
    void accept() override;
    // The folder browser; its answer (empty when cancelled) becomes the
    // directory field's text.
    void OnBrowse();

    // Reads the running programs into m_ProcArr; false when they cannot be
    // listed (m_ProcArr unchanged).
    bool FillProcessList();
    // Appends strName unless the same name is listed already.
    void AddProcessName(const QString& strName);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void BuildControls();
    void InitState();
    void ShowEditedMission();
    // One limit of OnApply, in bytes; false ends OnApply (after its message
    // or a cancelled question).
    bool ReadLimit(int nLimit, std::int64_t& llLimit);
    // Takes the target from the field of the mode; false after a message.
    bool ReadTarget(QString& strTarget);
    void ReleaseFromViews(CMission* pMission);

    QStringList m_ProcArr;
    CMission* m_pMission = nullptr; // not owned
    std::uint32_t m_uMode = 0;      // 0 none, 1 process, 2 path
    QPixmap m_bmpBack;

    QComboBox* m_pModeList = nullptr;
    QComboBox* m_pProcessPicker = nullptr;
    QLineEdit* m_pPathEdit = nullptr;
    QPushButton* m_pBrowse = nullptr;
    // Indexed by LIMIT_INDEX: read speed, write speed, total read, total write.
    QCheckBox* m_pCheck[4] = {};
    QLineEdit* m_pLimitEdit[4] = {};
    QPushButton* m_pApply = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;

    IMissionDlgHost* m_pHost = nullptr;
    QString m_strProcRoot = QStringLiteral("/proc");
    TARGET_RULES m_Rules = PLATFORM_TARGET_RULES;
};
