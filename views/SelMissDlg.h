// A small modal dialog that picks an existing mission by its target name
// (from the process-mode group, then the path-mode group, then the recycler),
// shows which group it lives in, and on OK opens the mission editor on it.
#pragma once

#include <QDialog>
#include <functional>

class CMission;
class QComboBox;
class QLabel;

class CSelMissDlg : public QDialog {
    Q_OBJECT

public:
    enum : int { IDC_MISSIONS = 1059, IDC_INFO = 1060 };

    // Opens the editor on a mission (nullptr: a new mission) and returns when
    // it has closed.
    using EDITOR_OPENER = std::function<void(CMission* pMission)>;

    // The list is filled here, once; nothing is selected.
    explicit CSelMissDlg(QWidget* pParent = nullptr);
    ~CSelMissDlg() override;

    // Replaces how OK opens the editor (by default a modal CMissionDlg with no
    // parent); an empty function restores the default. Returns the previous.
    static EDITOR_OPENER SetEditorOpener(EDITOR_OPENER fnOpen);

    QComboBox* MissionList() const { return m_pMissions; }
    QLabel* InfoText() const { return m_pInfo; }

    // Selection change of the list: the chosen mission's group in the
    // information text.
    void OnSelChange();
    // Closes the dialog with the OK result, then opens the editor on the
    // chosen mission (or on a new one when nothing is chosen).
    void accept() override;

private:
    QComboBox* m_pMissions = nullptr;
    QLabel* m_pInfo = nullptr;
};
