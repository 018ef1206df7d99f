#include "comm/XDXmlNode.h"

#include "comm/XDXmlPath.h"

CXDXmlNode::CXDXmlNode(const QDomNode& node) : m_pNode(node) {}

CXDXmlNode::CXDXmlNode(std::vector<QDomNode> vecNodes) {
    if (vecNodes.empty())
        return;
    m_pNode = vecNodes.front();
    m_pNodeList = std::make_shared<const NODE_LIST>(std::move(vecNodes));
}

QDomNode CXDXmlNode::Node() const {
    if (!m_pNodeList)
        return m_pNode;
    return m_nCursor < m_pNodeList->size() ? (*m_pNodeList)[m_nCursor] : QDomNode();
}

CXDXmlNode CXDXmlNode::SelectSingleNode(const QString& strPath) const {
    const QDomNode node = Node();
    if (node.isNull())
        return CXDXmlNode();
    std::vector<QDomNode> found = XDXmlSelect(node, strPath, true);
    return found.empty() ? CXDXmlNode() : CXDXmlNode(found.front());
}

QString CXDXmlNode::GetText() const {
    const QDomNode node = Node();
    if (node.isNull())
        return QString();
    if (node.isElement())
        return node.toElement().text();
    if (node.isCharacterData())
        return node.toCharacterData().data();
    return node.nodeValue();
}

void CXDXmlNode::MoveNext() {
    if (!m_pNodeList || m_nCursor >= m_pNodeList->size())
        return;
    ++m_nCursor;
    m_pNode = Node();
}

bool CXDXmlNode::IsEmpty() const {
    return m_pNode.isNull() && !m_pNodeList;
}

int CXDXmlNode::GetCount() const {
    if (m_pNodeList)
        return static_cast<int>(m_pNodeList->size());
    return m_pNode.isNull() ? 0 : 1;
}

bool CXDXmlNode::Remove() {
    QDomNode node = Node();
    if (node.isNull())
        return false;
    QDomNode parent = node.parentNode();
    if (parent.isNull())
        return false;
    return !parent.removeChild(node).isNull();
}
