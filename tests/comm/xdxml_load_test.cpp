// Loading and searching documents: files that are missing or broken, node
// lists and their cursor, missing keys, removal.
#include "tests/comm/XmlFixture.h"

namespace {

using XDXmlLoad = XmlTest;

TEST_F(XDXmlLoad, MissingFileFailsButInitialisesTheDocument) {
    CXDXml xml;
    EXPECT_FALSE(xml.Load(Path("absent.xml")));
    EXPECT_TRUE(xml.IsInit());
    EXPECT_TRUE(Traced(QStringLiteral("1, Load.load.")));
    // Building goes on from here as the program's writing pattern expects.
    EXPECT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    EXPECT_TRUE(xml.SaveXml(Path("absent.xml")));
}

TEST_F(XDXmlLoad, BrokenFilesFailAndLeaveNothingBehind) {
    const char* files[] = {"truncated.xml", "mismatched.xml", "empty.xml",
                           "two_roots.xml", "entity.xml",     "binary.xml"};
    for (const char* pszFile : files) {
        m_vecTrace.clear();
        CXDXml xml;
        ASSERT_TRUE(xml.Load(Fixture("hand_edited.xml")));
        EXPECT_FALSE(xml.Load(Fixture(pszFile))) << pszFile;
        EXPECT_TRUE(Traced(QStringLiteral("1, Load.load."))) << pszFile;
        // The earlier content is gone, not mixed with the broken file.
        EXPECT_TRUE(xml.SelectSingleNode(QStringLiteral("items")).IsEmpty()) << pszFile;
    }
    CXDXml xml;
    EXPECT_FALSE(xml.Load(Fixture(""))); // a folder, not a file
}

// A file written by hand: indentation, comments, CDATA and references are
// read as the values they stand for.
TEST_F(XDXmlLoad, ReadsAHandEditedFile) {
    CXDXml xml;
    ASSERT_TRUE(xml.Load(Fixture("hand_edited.xml")));
    CXDXmlNode list = xml.SelectNodes(QStringLiteral("items/Group/MissionIndex"));
    ASSERT_FALSE(list.IsEmpty());
    ASSERT_EQ(list.GetCount(), 3);
    const QString names[] = {QStringLiteral("a<b>&c.exe"), QStringLiteral("second&.exe"),
                             QString::fromUtf16(u"th三rd")};
    const QString modes[] = {"1", "2", ""};
    for (int i = 0; i < 3; ++i, list.MoveNext()) {
        EXPECT_EQ(list.SelectSingleNode(QStringLiteral("strTargetName")).GetText(), names[i]);
        EXPECT_EQ(list.SelectSingleNode(QStringLiteral("uMode")).GetText(), modes[i]);
    }
    // A value of blanks is a value; indentation between elements is not.
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/Group/MissionIndex/note")).GetText(),
              QStringLiteral("  "));
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/Group/MissionIndex")).GetText(),
              QStringLiteral("a<b>&c.exe1  "));
}

TEST_F(XDXmlLoad, ReadsUtf16Files) {
    CXDXml xml;
    ASSERT_TRUE(xml.Load(Fixture("utf16.xml")));
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/Options/FreshTime")).GetText(),
              QString::fromUtf16(u"一二"));
}

TEST_F(XDXmlLoad, ListVisitsEachNodeOnceInDocumentOrder) {
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    for (const char* pszGroup : {"G", "Other", "G"}) {
        xml.AddChildElement(QLatin1String(pszGroup));
        for (int i = 0; i < (pszGroup[0] == 'G' ? 2 : 1); ++i) {
            xml.AddChildElement(QStringLiteral("R"));
            xml.AddChildTextNode(QStringLiteral("n"), QStringLiteral("%1%2").arg(pszGroup).arg(i));
            xml.PopElement();
        }
        xml.PopElement();
    }
    // Across two G elements: G0 G1 then the second G's G0 G1 - four nodes.
    CXDXmlNode list = xml.SelectNodes(QStringLiteral("items/G/R"));
    ASSERT_EQ(list.GetCount(), 4);
    CXDXmlNode copy = list;
    QStringList seen;
    for (int i = 0; i < 4; ++i, list.MoveNext())
        seen << list.SelectSingleNode(QStringLiteral("n")).GetText();
    EXPECT_EQ(seen, QStringList({"G0", "G1", "G0", "G1"}));
    // Past the end: no current node, but still a list of four.
    EXPECT_EQ(list.GetText(), QString());
    EXPECT_TRUE(list.SelectSingleNode(QStringLiteral("n")).IsEmpty());
    EXPECT_FALSE(list.IsEmpty());
    EXPECT_EQ(list.GetCount(), 4);
    list.MoveNext();
    EXPECT_EQ(list.GetCount(), 4);
    // A copy keeps its own cursor.
    EXPECT_EQ(copy.SelectSingleNode(QStringLiteral("n")).GetText(), "G0");
    // A single node is not a list: MoveNext leaves it as it is.
    CXDXmlNode one = xml.SelectSingleNode(QStringLiteral("items/Other/R/n"));
    EXPECT_EQ(one.GetCount(), 1);
    one.MoveNext();
    EXPECT_EQ(one.GetText(), "Other0");
}

TEST_F(XDXmlLoad, PathsThatMatchNothingGiveEmptyResults) {
    CXDXml xml;
    ASSERT_TRUE(xml.Load(Fixture("hand_edited.xml")));
    const QString paths[] = {QStringLiteral("items/Nothing"), QStringLiteral("Group"),
                             QStringLiteral("items//Group"),  QString(),
                             QStringLiteral("items/Gr oup"),  QStringLiteral("items/Group/[1]")};
    for (const QString& strPath : paths) {
        CXDXmlNode list = xml.SelectNodes(strPath);
        EXPECT_TRUE(list.IsEmpty()) << strPath.toStdString();
        EXPECT_EQ(list.GetCount(), 0) << strPath.toStdString();
        EXPECT_EQ(list.GetText(), QString());
        EXPECT_TRUE(xml.SelectSingleNode(strPath).IsEmpty()) << strPath.toStdString();
    }
    // A key that is missing reads as the empty string, at any depth.
    CXDXmlNode record = xml.SelectNodes(QStringLiteral("items/Group/MissionIndex"));
    EXPECT_EQ(record.SelectSingleNode(QStringLiteral("llAlreadyReads")).GetText(), QString());
    EXPECT_EQ(CXDXmlNode().SelectSingleNode(QStringLiteral("x")).GetText(), QString());
    // Absolute paths and "*" are taken from the document.
    EXPECT_EQ(record.SelectSingleNode(QStringLiteral("/items/*/MissionIndex/uMode")).GetText(),
              "1");
}

TEST_F(XDXmlLoad, RemoveTakesTheCurrentNodeOut) {
    CXDXml xml;
    ASSERT_TRUE(xml.Load(Fixture("hand_edited.xml")));
    CXDXmlNode empty;
    EXPECT_FALSE(empty.Remove());
    EXPECT_TRUE(empty.IsEmpty());

    CXDXmlNode list = xml.SelectNodes(QStringLiteral("items/Group/MissionIndex"));
    list.MoveNext();
    EXPECT_TRUE(list.Remove());
    CXDXmlNode rest = xml.SelectNodes(QStringLiteral("items/Group/MissionIndex"));
    ASSERT_EQ(rest.GetCount(), 2);
    rest.MoveNext();
    EXPECT_EQ(rest.SelectSingleNode(QStringLiteral("strTargetName")).GetText(),
              QString::fromUtf16(u"th三rd"));
}

// Nodes hold their document: they stay readable after the CXDXml is gone.
TEST_F(XDXmlLoad, NodesOutliveTheirDocumentObject) {
    CXDXmlNode list;
    {
        CXDXml xml;
        ASSERT_TRUE(xml.Load(Fixture("hand_edited.xml")));
        list = xml.SelectNodes(QStringLiteral("items/Group/MissionIndex/uMode"));
    }
    ASSERT_EQ(list.GetCount(), 2);
    list.MoveNext();
    EXPECT_EQ(list.GetText(), "2");
}

} // namespace
