#include "views/LogList.h"

CLogList::CLogList(QWidget* pParent) : CListCtrlCn(pParent) {
    m_bSortEnabled = false;
    SetColumns({QStringLiteral("Time"), QStringLiteral("Opeation log")}, {120, 900});
    setSelectionMode(QAbstractItemView::SingleSelection);
    SetGridLines(true);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(14);
    font.setWeight(QFont::ExtraLight);
    SetListFont(font);
}

void CLogList::AddLine(const QString& strLine) {
    AddLineAt(QDateTime::currentDateTime(), strLine);
}

void CLogList::AddLineAt(const QDateTime& when, const QString& strLine) {
    const int nRow = InsertItem(GetItemCount(), when.toString(QStringLiteral("yy-MM-dd HH:mm:ss")));
    UpdateItemText(nRow, 1, strLine);
    EnsureVisible(nRow);
    if (GetItemCount() > MAX_LOG_LINES)
        DeleteItem(0);
}
