#include "comm/XDXmlPath.h"

#include <QDomDocument>
#include <QStringList>

namespace {

bool Select(const QDomNode& node, const QStringList& segments, int nSegment, bool bFirstOnly,
            std::vector<QDomNode>& result) {
    if (nSegment == segments.size()) {
        result.push_back(node);
        return bFirstOnly;
    }
    const QString& strName = segments[nSegment];
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (!child.isElement())
            continue;
        if (strName != QLatin1String("*") && child.nodeName() != strName)
            continue;
        if (Select(child, segments, nSegment + 1, bFirstOnly, result))
            return true;
    }
    return false;
}

bool IsNameStart(char32_t c) {
    if (c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

} // namespace

std::vector<QDomNode> XDXmlSelect(const QDomNode& start, const QString& strPath, bool bFirstOnly) {
    std::vector<QDomNode> result;
    if (start.isNull() || strPath.isEmpty())
        return result;
    QString strRelative = strPath;
    QDomNode from = start;
    if (strRelative.startsWith(u'/')) {
        from = start.isDocument() ? start : QDomNode(start.ownerDocument());
        strRelative.remove(0, 1);
    }
    if (strRelative.endsWith(u'/'))
        strRelative.chop(1);
    const QStringList segments = strRelative.split(u'/');
    for (const QString& s : segments)
        if (s.isEmpty() || (s != QLatin1String("*") && !XDXmlIsName(s)))
            return result;
    Select(from, segments, 0, bFirstOnly, result);
    return result;
}

bool XDXmlIsName(const QString& strName) {
    if (!XDXmlIsText(strName))
        return false;
    const QList<uint> ucs4 = strName.toUcs4();
    if (ucs4.isEmpty() || !IsNameStart(ucs4.front()))
        return false;
    for (uint c : ucs4)
        if (!IsNameChar(c) || (c >= 0xD800 && c <= 0xDFFF))
            return false;
    return true;
}

bool XDXmlIsText(const QString& strText) {
    const qsizetype n = strText.size();
    const QChar* p = strText.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c < 0x20) {
            if (c != 0x9 && c != 0xA && c != 0xD)
                return false;
        } else if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= n || !p[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if ((c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) {
            return false;
        }
    }
    return true;
}
