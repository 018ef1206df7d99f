// Collects the diagnostic lines logged while it lives, for tests:
//
//   CDbgLogCapture capture;
//   group.Load();
//   EXPECT_TRUE(capture.Contains(8, "Skip MissionIndex<bad.exe>"));
//
// Installs itself as the log observer and puts the previous observer back
// when destroyed. Only lines at or above the threshold (8) are seen.
#pragma once

#include "comm/DbgInfoLog.h"

#include <QString>
#include <cstdint>
#include <vector>

class CDbgLogCapture {
public:
    struct LINE {
        std::uint32_t nLevel;
        QString strMessage;
    };

    CDbgLogCapture();
    ~CDbgLogCapture();
    CDbgLogCapture(const CDbgLogCapture&) = delete;
    CDbgLogCapture& operator=(const CDbgLogCapture&) = delete;

    std::vector<LINE> Lines() const;
    std::vector<QString> Messages() const;
    // A line of exactly this level whose message contains strPart.
    bool Contains(std::uint32_t nLevel, const QString& strPart) const;
    // A line of any level whose message contains strPart.
    bool Contains(const QString& strPart) const;
    void Clear();

private:
    DBG_LOG_OBSERVER m_Previous;
    std::vector<LINE> m_vecLines;
};
