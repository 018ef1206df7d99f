// A main window on the offscreen platform, in a temporary working folder,
// over a scripted flow-control library, with the three groups created as the
// application object creates them. Every question is answered by a script.
#pragma once

#include "app/DravikDlg.h"
#include "tests/gui/ScriptedFlowApi.h"
#include "tests/support/PromptScript.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class CMission;
class QApplication;

QApplication& GuiApp();

class CWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and initialises the window on first use.
    CDravikDlg& Window();
    // Destroys the window as the program's exit does (groups saved and
    // deleted, running missions withdrawn).
    void DestroyWindow();

    // A mission file entry written before the window starts.
    void StoreMission(const char* groupName, const QString& strName, std::uint32_t uMode,
                      bool bActive);
    // The same for a prepared mission (taken over).
    void StoreMission(const char* groupName, CMission* pMission, bool bActive);
    // Adds and starts a mission as the editor would.
    CMission* AddMission(const QString& strName, std::uint32_t uMode);
    QString WorkFile(const QString& strName) const;
    QString ReadWorkFile(const QString& strName) const;

    QTemporaryDir m_Dir;
    QTemporaryDir m_AutoStartDir;
    QString m_strPreviousDir;
    std::unique_ptr<CScriptedFlowApi> m_pApi;
    std::unique_ptr<CPromptScript> m_pPrompts;
    std::unique_ptr<CDravikDlg> m_pWindow;
    bool m_bTrayAvailable = true;
};
