// The operation log: one time-stamped line per mission event (started,
// stopped, put into or taken out of a group), newest at the bottom, at most
// MAX_LOG_LINES lines. It is the program's operation log: the missions write
// to it through COperationLog once the window installs it.
#pragma once

#include "missions/OperationLog.h"
#include "views/ListCtrlCn.h"

#include <QDateTime>

class CLogList : public CListCtrlCn, public COperationLog {
    Q_OBJECT

public:
    static constexpr int MAX_LOG_LINES = 1000;

    // Two columns "Time" and "Opeation log", single selection, grid lines,
    // drawn in Tahoma 14 (rows 16 pixels high). Header clicks do not sort.
    explicit CLogList(QWidget* pParent = nullptr);

    // Appends the message stamped with the current local time, scrolls it
    // into view and drops the oldest line beyond MAX_LOG_LINES.
    void AddLine(const QString& strLine) override;
    // The same with a given time.
    void AddLineAt(const QDateTime& when, const QString& strLine);
};
