// One selected node, or a list of selected nodes with a cursor, of a CXDXml
// document. A small value: copy it freely; each copy has its own cursor.
// See comm/XDXml.h for usage.
#pragma once

#include <QDomNode>
#include <QString>
#include <memory>
#include <vector>

class CXDXmlNode {
public:
    CXDXmlNode() = default;
    // One node (empty when node is null).
    explicit CXDXmlNode(const QDomNode& node);
    // A list positioned on its first node (empty when the list is).
    explicit CXDXmlNode(std::vector<QDomNode> vecNodes);

    // The first element that the child path selects below the current node.
    CXDXmlNode SelectSingleNode(const QString& strPath) const;
    // The text of the current node and its descendants; "" when none.
    QString GetText() const;
    // With a list, moves the cursor to the next node (none after the last).
    void MoveNext();
    bool IsEmpty() const;
    // 0 when empty, 1 for a single node, the list's length for a list.
    int GetCount() const;
    // Removes the current node from its parent; false when there is none.
    bool Remove();

    // The node under the cursor (null when none).
    QDomNode Node() const;

private:
    // The list is shared between copies and never changes.
    using NODE_LIST = std::vector<QDomNode>;

    QDomNode m_pNode;
    std::shared_ptr<const NODE_LIST> m_pNodeList;
    std::size_t m_nCursor = 0;
};
