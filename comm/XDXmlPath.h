// Simple child paths of the XML layer: element names separated by "/",
// evaluated downwards from a document or a node. "*" matches any element.
#pragma once

#include <QDomNode>
#include <QString>
#include <vector>

// The elements that strPath selects below start, in document order. An
// empty or malformed path ("a//b", "") selects nothing; a leading "/" is
// taken from the document of start.
std::vector<QDomNode> XDXmlSelect(const QDomNode& start, const QString& strPath, bool bFirstOnly);

// True when strName is an XML 1.0 Name.
bool XDXmlIsName(const QString& strName);

// True when every character of strText is an XML 1.0 Char.
bool XDXmlIsText(const QString& strText);
