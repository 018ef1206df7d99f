#include "views/ListCtrlCnCompare.h"

namespace {

int Sign(int n) {
    return (n > 0) - (n < 0);
}

// Numbers are compared on their digits rather than converted, so any length
// compares exactly. The whole part is the leading digits; the fraction is
// the digits after the first "."; anything after a second "." is ignored.
int CompareNumericTexts(const QString& strA, const QString& strB) {
    auto split = [](const QString& s, QString& whole, QString& fraction) {
        const int nDot = s.indexOf(QLatin1Char('.'));
        whole = nDot < 0 ? s : s.left(nDot);
        fraction = nDot < 0 ? QString() : s.mid(nDot + 1);
        const int nDot2 = fraction.indexOf(QLatin1Char('.'));
        if (nDot2 >= 0)
            fraction.truncate(nDot2);
        int nLead = 0;
        while (nLead < whole.size() && whole[nLead] == QLatin1Char('0'))
            ++nLead;
        whole.remove(0, nLead);
        while (!fraction.isEmpty() && fraction.back() == QLatin1Char('0'))
            fraction.chop(1);
    };
    QString wholeA, fracA, wholeB, fracB;
    split(strA, wholeA, fracA);
    split(strB, wholeB, fracB);
    if (wholeA.size() != wholeB.size())
        return wholeA.size() < wholeB.size() ? -1 : 1;
    if (int n = wholeA.compare(wholeB))
        return Sign(n);
    // Digits only, without trailing zeros: plain text order is numeric order.
    return Sign(fracA.compare(fracB));
}

int DatePart(const QString& s, int nFrom, int nLength) {
    return s.mid(nFrom, nLength).toInt();
}

int CompareDateTexts(const QString& strA, const QString& strB) {
    static const int parts[3][2] = {{6, 4}, {3, 2}, {0, 2}}; // year, month, day
    for (const auto& part : parts) {
        const int a = DatePart(strA, part[0], part[1]);
        const int b = DatePart(strB, part[0], part[1]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

} // namespace

bool IsNumericCellText(const QString& strText) {
    for (QChar c : strText) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

bool IsDateCellText(const QString& strText) {
    if (strText.size() != 10)
        return false;
    for (int i = 0; i < 10; ++i) {
        const QChar c = strText[i];
        if (i == 2 || i == 5) {
            if (c != QLatin1Char('/'))
                return false;
        } else if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
            return false;
        }
    }
    return true;
}

int CompareCellTexts(const QString& strA, const QString& strB) {
    if (IsNumericCellText(strA) && IsNumericCellText(strB))
        return CompareNumericTexts(strA, strB);
    if (IsDateCellText(strA) && IsDateCellText(strB))
        return CompareDateTexts(strA, strB);
    return Sign(QString::localeAwareCompare(strA, strB));
}
