#include "comm/XDXml.h"

#include "comm/DbgTrace.h"
#include "comm/XDXmlPath.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <cerrno>
#include <cstring>

namespace {

constexpr char DECLARATION[] = "version=\"1.0\" encoding=\"UTF-8\"";

// A failure of the document layer underneath, with what the long report
// needs. Thrown and caught only inside this file.
struct XDXML_ERROR {
    int nCode;
    QString strSource;
    QString strDescription;
};

void ReportShort(int nCode, const char* pszTitle) {
    DbgTrace("%d, %s.", nCode, pszTitle);
}

void ReportLong(const char* pszTitle, const XDXML_ERROR& error) {
    DbgTrace("Error: Title: %s.", pszTitle);
    DbgTrace("Code = %08lx.", error.nCode);
    DbgTrace("Code Meaning = %s.", std::strerror(error.nCode));
    DbgTrace("Source = %s.", error.strSource);
    DbgTrace("Error Description = %s.", error.strDescription);
}

XDXML_ERROR InvalidName(const QString& strName) {
    return {EINVAL, QStringLiteral("CXDXml"),
            QStringLiteral("<%1> is not an XML element name").arg(strName)};
}

// A QDomDocument made by its default constructor is a null node until its
// first factory call, and nodes taken from it before then stay null.
QDomDocument NewDocument() {
    QDomDocument doc;
    doc.createElement(QStringLiteral("x"));
    return doc;
}

// Builds the tree with QXmlStreamReader rather than QDomDocument::setContent,
// which drops text that is only blanks: a value of blanks must come back as
// it was saved.
bool Parse(const QByteArray& bytes, QDomDocument& doc, QString& strError, qint64& llLine,
           qint64& llColumn) {
    doc = NewDocument();
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    QDomNode current = doc;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentVersion().isEmpty())
                doc.appendChild(doc.createProcessingInstruction(QStringLiteral("xml"),
                                                                QLatin1String(DECLARATION)));
            break;
        case QXmlStreamReader::StartElement: {
            QDomElement element = doc.createElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                element.setAttribute(attribute.qualifiedName().toString(),
                                     attribute.value().toString());
            current.appendChild(element);
            current = element;
            break;
        }
        case QXmlStreamReader::EndElement:
            current = current.parentNode();
            break;
        case QXmlStreamReader::Characters: {
            if (current.isDocument())
                break;
            const QString strText = reader.text().toString();
            if (reader.isCDATA()) {
                current.appendChild(doc.createCDATASection(strText));
            } else if (current.lastChild().isText() && !current.lastChild().isCDATASection()) {
                QDomText text = current.lastChild().toText();
                text.appendData(strText);
            } else {
                current.appendChild(doc.createTextNode(strText));
            }
            break;
        }
        case QXmlStreamReader::Comment:
            current.appendChild(doc.createComment(reader.text().toString()));
            break;
        case QXmlStreamReader::ProcessingInstruction:
            current.appendChild(
                doc.createProcessingInstruction(reader.processingInstructionTarget().toString(),
                                                reader.processingInstructionData().toString()));
            break;
        case QXmlStreamReader::EntityReference:
            reader.raiseError(QStringLiteral("Unresolved entity &%1;").arg(reader.name()));
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        strError = reader.errorString();
        llLine = reader.lineNumber();
        llColumn = reader.columnNumber();
        return false;
    }
    return true;
}

// Blank text beside child elements is layout (indentation), not a value.
void DropLayoutText(QDomNode node) {
    bool bHasElement = false;
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        if (child.isElement()) {
            bHasElement = true;
            DropLayoutText(child);
        }
    if (!bHasElement)
        return;
    for (QDomNode child = node.firstChild(); !child.isNull();) {
        QDomNode next = child.nextSibling();
        if (child.isText() && !child.isCDATASection() && child.toText().data().trimmed().isEmpty())
            node.removeChild(child);
        child = next;
    }
}

} // namespace

bool CXDXml::InitDom() {
    if (m_bInit)
        return true;
    // A QDomDocument cannot fail to come into being; the trace of a failed
    // creation ("Create Instanse Failed.") has no cause here.
    m_pDoc = NewDocument();
    m_bInit = true;
    return true;
}

bool CXDXml::Load(const QString& strPath) {
    if (!InitDom())
        return false;
    // Whatever follows, the old content is gone, as is the place where
    // building would go on.
    m_pCurElement = QDomElement();
    m_ParentStack = PARENT_STACK();
    m_pDoc = NewDocument();

    QFile file(strPath);
    QString strError;
    qint64 llLine = 0;
    qint64 llColumn = 0;
    QDomDocument doc;
    bool bParsed = false;
    if (!file.open(QIODevice::ReadOnly)) {
        strError = file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            strError = file.errorString();
        else
            bParsed = Parse(bytes, doc, strError, llLine, llColumn);
    }
    if (!bParsed) {
        ReportShort(1, "Load.load");
        DbgTrace("Load.load: %s(%I64d:%I64d): %s", strPath, llLine, llColumn, strError);
        return false;
    }
    DropLayoutText(doc);
    m_pDoc = doc;
    return true;
}

bool CXDXml::CreateRoot(const QString& strName) {
    if (!InitDom())
        return false;
    while (!m_pDoc.firstChild().isNull())
        m_pDoc.removeChild(m_pDoc.firstChild());
    m_pCurElement = QDomElement();
    if (m_pDoc
            .appendChild(m_pDoc.createProcessingInstruction(QStringLiteral("xml"),
                                                            QLatin1String(DECLARATION)))
            .isNull())
        ReportShort(-1, "CXDXml::CreateRoot.appendChild.");
    try {
        if (!XDXmlIsName(strName))
            throw InvalidName(strName);
        QDomElement root = m_pDoc.createElement(strName);
        root.setAttribute(QStringLiteral("xmlns:xsi"), QLatin1String(XSI_NAMESPACE));
        if (m_pDoc.appendChild(root).isNull())
            throw XDXML_ERROR{EINVAL, QStringLiteral("QDomDocument"),
                              QStringLiteral("the root element was not accepted")};
        m_pCurElement = root;
    } catch (const XDXML_ERROR& error) {
        ReportLong("CXDXml::CreateRoot.Create Root.", error);
        return false;
    }
    return true;
}

bool CXDXml::AddChildElement(const QString& strName) {
    if (!m_bInit)
        return false;
    // A full stack drops the push; the caller's next PopElement then returns
    // to an older parent.
    if (m_ParentStack.nCount < PARENT_SLOTS)
        m_ParentStack.arrSlots[m_ParentStack.nCount++] = m_pCurElement;
    try {
        if (!XDXmlIsName(strName))
            throw InvalidName(strName);
        if (m_pCurElement.isNull())
            throw XDXML_ERROR{ENOENT, QStringLiteral("CXDXml"),
                              QStringLiteral("no current element to add <%1> to").arg(strName)};
        QDomElement element = m_pDoc.createElement(strName);
        if (m_pCurElement.appendChild(element).isNull())
            throw XDXML_ERROR{EINVAL, QStringLiteral("QDomElement"),
                              QStringLiteral("<%1> was not accepted").arg(strName)};
        m_pCurElement = element;
    } catch (const XDXML_ERROR& error) {
        ReportLong("CXDXml.AddChildElement.Create Child Failed.", error);
        return false;
    }
    return true;
}

bool CXDXml::AddChildTextNode(const QString& strName, const QString& strText) {
    if (!m_bInit || m_pCurElement.isNull())
        return false;
    try {
        if (!XDXmlIsName(strName))
            throw InvalidName(strName);
        // XML 1.0 has no way to write these characters, not even as
        // references; writing them would leave a file that never loads.
        if (!XDXmlIsText(strText))
            throw XDXML_ERROR{EINVAL, QStringLiteral("CXDXml"),
                              QStringLiteral("the text of <%1> holds a character XML cannot "
                                             "carry")
                                  .arg(strName)};
        QDomElement element = m_pDoc.createElement(strName);
        if (m_pCurElement.appendChild(element).isNull() ||
            element.appendChild(m_pDoc.createTextNode(strText)).isNull())
            throw XDXML_ERROR{EINVAL, QStringLiteral("QDomElement"),
                              QStringLiteral("<%1> was not accepted").arg(strName)};
    } catch (const XDXML_ERROR& error) {
        ReportLong("CXDXml.AddChildTextNode. Create TEXT Failed.", error);
        return false;
    }
    return true;
}

void CXDXml::PopElement() {
    if (!m_bInit || m_ParentStack.nCount == 0)
        return;
    --m_ParentStack.nCount;
    m_pCurElement = m_ParentStack.arrSlots[m_ParentStack.nCount];
    m_ParentStack.arrSlots[m_ParentStack.nCount] = QDomElement();
}

QByteArray CXDXml::ToBytes() const {
    return m_pDoc.toByteArray(2);
}

bool CXDXml::SaveXml(const QString& strPath) {
    if (!m_bInit)
        return false;
    // The file always says what it is: UTF-8 with the declaration first.
    QDomNode first = m_pDoc.firstChild();
    if (first.isProcessingInstruction() && first.nodeName() == QLatin1String("xml"))
        first.toProcessingInstruction().setData(QLatin1String(DECLARATION));
    else
        m_pDoc.insertBefore(
            m_pDoc.createProcessingInstruction(QStringLiteral("xml"), QLatin1String(DECLARATION)),
            first);
    try {
        const QByteArray bytes = ToBytes();
        // Written beside the target and renamed over it: a crash or a full
        // disk leaves the old file whole, never a truncated one.
        QSaveFile file(strPath);
        auto Fail = [&file, &strPath](const char* pszStep) {
            const int nCode = errno ? errno : EIO;
            return XDXML_ERROR{nCode, QStringLiteral("QSaveFile"),
                               QStringLiteral("%1 %2: %3")
                                   .arg(QLatin1String(pszStep), strPath, file.errorString())};
        };
        errno = 0;
        // Unbuffered: a buffered tail is flushed at commit past the checks
        // that would notice it failing, and the short file is renamed into
        // place all the same.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw Fail("open");
        if (file.write(bytes) != bytes.size())
            throw Fail("write");
        if (!file.commit())
            throw Fail("commit");
    } catch (const XDXML_ERROR& error) {
        ReportLong("CXDXml.SaveXml.Save XML File Failed.", error);
        return false;
    }
    return true;
}

CXDXmlNode CXDXml::SelectSingleNode(const QString& strPath) const {
    if (!m_bInit)
        return CXDXmlNode();
    std::vector<QDomNode> found = XDXmlSelect(m_pDoc, strPath, true);
    return found.empty() ? CXDXmlNode() : CXDXmlNode(found.front());
}

CXDXmlNode CXDXml::SelectNodes(const QString& strPath) const {
    if (!m_bInit)
        return CXDXmlNode();
    return CXDXmlNode(XDXmlSelect(m_pDoc, strPath, false));
}
