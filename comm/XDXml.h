// The XML document layer: small XML files (options, missions) built top-down,
// saved, loaded and searched with simple child paths ("items/Options").
//
// Writing a file:
//
//   CXDXml xml;
//   xml.CreateRoot("items");                 // declaration + <items xmlns:xsi=...>
//   xml.AddChildElement("Options");          // becomes the current element
//   xml.AddChildTextNode("FreshTime", "1000");
//   xml.PopElement();                        // back to items
//   if (!xml.SaveXml("./Options.xml")) ...   // old file kept on failure
//
// Reading a file:
//
//   CXDXml xml;
//   if (!xml.Load("./Options.xml")) ...      // missing or not well-formed
//   CXDXmlNode list = xml.SelectNodes("items/Group/MissionIndex");
//   for (int i = 0, n = list.GetCount(); i < n; ++i, list.MoveNext())
//       QString name = list.SelectSingleNode("strTargetName").GetText();
//
// Files are UTF-8 XML 1.0 with the declaration; every value is the text of an
// element of its own. SaveXml writes a temporary file in the target's folder
// and renames it over the target, so a crash or a full disk never leaves a
// truncated file. Failures are reported by the results and by trace lines
// (comm/DbgTrace.h). Text that XML 1.0 cannot carry (control characters
// other than tab, line feed and carriage return; unpaired surrogates) and
// names that are not XML names are refused, so a saved file always loads.
#pragma once

#include "comm/XDXmlNode.h"

#include <QDomDocument>
#include <QDomElement>
#include <QString>

// The namespace name of the XML Schema instance attributes.
inline constexpr char XSI_NAMESPACE[] = "http://www.w3.org/2001/XMLSchema-instance";

class CXDXml {
public:
    CXDXml() = default;
    virtual ~CXDXml() = default;
    CXDXml(const CXDXml&) = delete;
    CXDXml& operator=(const CXDXml&) = delete;

    // Reads and parses the file, replacing the document's content.
    bool Load(const QString& strPath);
    // Starts a new document: the declaration and the root element.
    bool CreateRoot(const QString& strName);
    // Appends an element to the current element and makes it current; the
    // previous current element is saved on a stack of 10 (a push onto a full
    // stack is dropped).
    bool AddChildElement(const QString& strName);
    // Appends <name>text</name> to the current element.
    bool AddChildTextNode(const QString& strName, const QString& strText);
    // Makes the last saved parent current again.
    void PopElement();
    bool SaveXml(const QString& strPath);

    CXDXmlNode SelectSingleNode(const QString& strPath) const;
    CXDXmlNode SelectNodes(const QString& strPath) const;

    bool IsInit() const { return m_bInit; }
    // The document as it would be saved (UTF-8).
    QByteArray ToBytes() const;

private:
    bool InitDom();

    static constexpr int PARENT_SLOTS = 10;
    struct PARENT_STACK {
        int nCount = 0;
        QDomElement arrSlots[PARENT_SLOTS];
    };

    bool m_bInit = false;
    QDomElement m_pCurElement;
    QDomDocument m_pDoc;
    PARENT_STACK m_ParentStack;
};
