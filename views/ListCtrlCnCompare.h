// How the sortable lists order two cell texts: as numbers when both are
// numbers, as day/month/year dates when both are dates, otherwise as text.
#pragma once

#include <QString>

// Every character a decimal digit or "." (an empty text counts as a number).
bool IsNumericCellText(const QString& strText);
// Exactly "dd/mm/yyyy": ten characters, digits around two slashes.
bool IsDateCellText(const QString& strText);
// -1, 0 or +1. The mode is chosen for this pair alone.
int CompareCellTexts(const QString& strA, const QString& strB);
