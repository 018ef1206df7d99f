// Building and saving documents: the shape of a saved file, the parent
// stack, refused names and texts, and saving that never loses the old file.
#include "tests/comm/XmlFixture.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFileInfo>
#include <csignal>
#include <sys/resource.h>

namespace {

using XDXmlBuild = XmlTest;

TEST_F(XDXmlBuild, OptionsDocumentHasDeclarationRootAndValueElements) {
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    ASSERT_TRUE(xml.AddChildElement(QStringLiteral("Options")));
    ASSERT_TRUE(xml.AddChildTextNode(QStringLiteral("FreshTime"), QStringLiteral("1000")));
    xml.PopElement();
    ASSERT_TRUE(xml.SaveXml(Path("Options.xml")));

    const QByteArray bytes = ReadBytes(Path("Options.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << bytes.data();
    // Read back with a plain DOM, independent of the layer.
    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(bytes));
    const QDomElement root = doc.documentElement();
    EXPECT_EQ(root.tagName(), QStringLiteral("items"));
    EXPECT_EQ(root.attribute(QStringLiteral("xmlns:xsi")),
              QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    EXPECT_EQ(root.attributes().count(), 1);
    ASSERT_EQ(root.childNodes().count(), 1);
    const QDomElement options = root.firstChildElement();
    EXPECT_EQ(options.tagName(), QStringLiteral("Options"));
    ASSERT_EQ(options.childNodes().count(), 1);
    const QDomElement fresh = options.firstChildElement();
    EXPECT_EQ(fresh.tagName(), QStringLiteral("FreshTime"));
    ASSERT_EQ(fresh.childNodes().count(), 1);
    EXPECT_TRUE(fresh.firstChild().isText());
    EXPECT_EQ(fresh.text(), QStringLiteral("1000"));
    EXPECT_TRUE(m_vecTrace.empty());
}

// Text nodes go under the current element, which PopElement walks back up.
TEST_F(XDXmlBuild, PopElementReturnsToTheSavedParent) {
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    xml.AddChildElement(QStringLiteral("A"));
    xml.AddChildElement(QStringLiteral("B"));
    xml.AddChildTextNode(QStringLiteral("inB"), QStringLiteral("1"));
    xml.PopElement();
    xml.AddChildTextNode(QStringLiteral("inA"), QStringLiteral("2"));
    xml.PopElement();
    xml.AddChildTextNode(QStringLiteral("inItems"), QStringLiteral("3"));
    xml.PopElement(); // empty stack: nothing happens
    xml.AddChildTextNode(QStringLiteral("stillItems"), QStringLiteral("4"));
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/A/B/inB")).GetText(), "1");
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/A/inA")).GetText(), "2");
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/inItems")).GetText(), "3");
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/stillItems")).GetText(), "4");
}

// Eleven levels below the root: the eleventh push finds the stack full and
// is dropped, so the pop after it lands one level higher than its parent.
TEST_F(XDXmlBuild, ParentStackHoldsTenEntries) {
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    QString strPath = QStringLiteral("items");
    for (int n = 1; n <= 11; ++n) {
        ASSERT_TRUE(xml.AddChildElement(QStringLiteral("L%1").arg(n)));
        strPath += QStringLiteral("/L%1").arg(n);
    }
    xml.AddChildTextNode(QStringLiteral("at11"), QStringLiteral("x"));
    xml.PopElement();
    // The tenth call saved L9, so L9 is current now (not L10).
    xml.AddChildTextNode(QStringLiteral("afterPop"), QStringLiteral("y"));
    EXPECT_FALSE(xml.SelectSingleNode(strPath + QStringLiteral("/at11")).IsEmpty());
    const QString strL9 = QStringLiteral("items/L1/L2/L3/L4/L5/L6/L7/L8/L9");
    EXPECT_EQ(xml.SelectSingleNode(strL9 + QStringLiteral("/afterPop")).GetText(), "y");
    for (int n = 0; n < 9; ++n)
        xml.PopElement();
    xml.AddChildTextNode(QStringLiteral("atRoot"), QStringLiteral("z"));
    EXPECT_EQ(xml.SelectSingleNode(QStringLiteral("items/atRoot")).GetText(), "z");
}

TEST_F(XDXmlBuild, NothingWorksBeforeTheDocumentExists) {
    CXDXml xml;
    EXPECT_FALSE(xml.AddChildElement(QStringLiteral("a")));
    EXPECT_FALSE(xml.AddChildTextNode(QStringLiteral("a"), QStringLiteral("b")));
    xml.PopElement();
    EXPECT_FALSE(xml.SaveXml(Path("never.xml")));
    EXPECT_TRUE(xml.SelectSingleNode(QStringLiteral("items")).IsEmpty());
    EXPECT_TRUE(xml.SelectNodes(QStringLiteral("items")).IsEmpty());
    EXPECT_FALSE(xml.IsInit());
    EXPECT_FALSE(QFile::exists(Path("never.xml")));
}

// Names that are not XML names would make a file that never loads again.
TEST_F(XDXmlBuild, RefusesNamesThatAreNotXmlNames) {
    const QString bad[] = {QString(), QStringLiteral("1x"), QStringLiteral("a b"),
                           QStringLiteral("a<b"), QStringLiteral("-x")};
    for (const QString& strName : bad) {
        m_vecTrace.clear();
        CXDXml xml;
        EXPECT_FALSE(xml.CreateRoot(strName)) << strName.toStdString();
        EXPECT_TRUE(TracedLong(QStringLiteral("CXDXml::CreateRoot.Create Root.")));
        ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
        EXPECT_FALSE(xml.AddChildElement(strName)) << strName.toStdString();
        EXPECT_TRUE(TracedLong(QStringLiteral("CXDXml.AddChildElement.Create Child Failed.")));
        xml.PopElement(); // balances the push that the failed call made
        EXPECT_FALSE(xml.AddChildTextNode(strName, QStringLiteral("v")));
        EXPECT_TRUE(TracedLong(QStringLiteral("CXDXml.AddChildTextNode. Create TEXT Failed.")));
        ASSERT_TRUE(xml.AddChildTextNode(QStringLiteral("ok"), QStringLiteral("v")));
        ASSERT_TRUE(xml.SaveXml(Path("names.xml")));
        CXDXml back;
        ASSERT_TRUE(back.Load(Path("names.xml")));
        EXPECT_EQ(back.SelectSingleNode(QStringLiteral("items/ok")).GetText(), "v");
    }
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QString::fromUtf16(u"根")));
    EXPECT_TRUE(xml.AddChildTextNode(QString::fromUtf16(u"名前"), QStringLiteral("v")));
}

// Characters that XML 1.0 cannot hold, not even as references: the value
// is refused, the rest of the document is saved and loads again.
TEST_F(XDXmlBuild, RefusesTextThatXmlCannotCarry) {
    const QString bad[] = {QStringLiteral("a\x01z"), QString(QChar(0)),
                           QString(QChar(0xD800)) + QStringLiteral("x"), QString(QChar(0xDC00)),
                           QString(QChar(0xFFFE))};
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    for (const QString& strText : bad) {
        m_vecTrace.clear();
        EXPECT_FALSE(xml.AddChildTextNode(QStringLiteral("bad"), strText));
        EXPECT_TRUE(TracedLong(QStringLiteral("CXDXml.AddChildTextNode. Create TEXT Failed.")));
    }
    ASSERT_TRUE(xml.AddChildTextNode(QStringLiteral("good"), QStringLiteral("g")));
    ASSERT_TRUE(xml.SaveXml(Path("text.xml")));
    CXDXml back;
    ASSERT_TRUE(back.Load(Path("text.xml")));
    EXPECT_TRUE(back.SelectSingleNode(QStringLiteral("items/bad")).IsEmpty());
    EXPECT_EQ(back.SelectSingleNode(QStringLiteral("items/good")).GetText(), "g");
}

// What goes in comes back: every text a value may hold, through a file.
TEST_F(XDXmlBuild, TextsSurviveSaveAndLoad) {
    const QString texts[] = {
        QStringLiteral(""),
        QStringLiteral("notepad.exe"),
        QString::fromUtf16(u"/数据/目录/"),
        QString::fromUtf16(u"😀 emoji 𝄞"),
        QString::fromUtf16(u"עברית ودعربي"),
        QString::fromUtf16(u"e\u0301 combining"),
        QStringLiteral("<&>\"' ]]> markup"),
        QStringLiteral("  blanks around  "),
        QStringLiteral("   "),
        QStringLiteral("tab\tline\nfeed"),
        QStringLiteral("cr\rcrlf\r\nend"),
        QStringLiteral("4294967295"),
        QString(5000, u'w'),
    };
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    xml.AddChildElement(QStringLiteral("List"));
    for (const QString& strText : texts) {
        xml.AddChildElement(QStringLiteral("Entry"));
        ASSERT_TRUE(xml.AddChildTextNode(QStringLiteral("value"), strText));
        xml.PopElement();
    }
    ASSERT_TRUE(xml.SaveXml(Path("round.xml")));

    CXDXml back;
    ASSERT_TRUE(back.Load(Path("round.xml")));
    CXDXmlNode entries = back.SelectNodes(QStringLiteral("items/List/Entry"));
    ASSERT_EQ(entries.GetCount(), static_cast<int>(std::size(texts)));
    for (const QString& strText : texts) {
        EXPECT_EQ(entries.SelectSingleNode(QStringLiteral("value")).GetText(), strText)
            << strText.toStdString();
        entries.MoveNext();
    }
}

// The program's writing pattern on an existing file: load, remove the old
// root, build anew, save. Nothing of the old content remains.
TEST_F(XDXmlBuild, RewritingAnExistingFileReplacesItsContent) {
    {
        CXDXml xml;
        ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
        xml.AddChildElement(QStringLiteral("Old"));
        xml.AddChildTextNode(QStringLiteral("k"), QStringLiteral("old"));
        ASSERT_TRUE(xml.SaveXml(Path("file.xml")));
    }
    CXDXml xml;
    ASSERT_TRUE(xml.Load(Path("file.xml")));
    CXDXmlNode root = xml.SelectSingleNode(QStringLiteral("items"));
    ASSERT_TRUE(root.Remove());
    EXPECT_TRUE(xml.SelectSingleNode(QStringLiteral("items")).IsEmpty());
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    xml.AddChildElement(QStringLiteral("New"));
    xml.AddChildTextNode(QStringLiteral("k"), QStringLiteral("new"));
    xml.PopElement();
    ASSERT_TRUE(xml.SaveXml(Path("file.xml")));

    const QByteArray bytes = ReadBytes(Path("file.xml"));
    EXPECT_FALSE(bytes.contains("Old"));
    EXPECT_EQ(bytes.count("<?xml"), 1);
    CXDXml back;
    ASSERT_TRUE(back.Load(Path("file.xml")));
    EXPECT_EQ(back.SelectSingleNode(QStringLiteral("items/New/k")).GetText(), "new");
}

// The old file survives a save that cannot finish; no stray temporary is
// left beside it.
TEST_F(XDXmlBuild, FailedSaveKeepsTheOldFile) {
    const QByteArray old =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items><k>old</k></items>\n";
    ASSERT_TRUE(WriteBytes(Path("keep.xml"), old));

    // A small document (written through a buffer) and a large one (written
    // at once); a disk that fills up, stood in for by the file-size limit.
    for (const int nKeys : {1, 200}) {
        CXDXml xml;
        ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
        for (int i = 0; i < nKeys; ++i)
            xml.AddChildTextNode(QStringLiteral("k"), QString(100, u'n'));
        m_vecTrace.clear();
        rlimit limit = {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit saved = limit;
        auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 40;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool bSaved = xml.SaveXml(Path("keep.xml"));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, prevHandler);

        EXPECT_FALSE(bSaved) << nKeys;
        EXPECT_TRUE(TracedLong(QStringLiteral("CXDXml.SaveXml.Save XML File Failed."))) << nKeys;
        EXPECT_EQ(ReadBytes(Path("keep.xml")), old) << nKeys;
        EXPECT_EQ(QDir(m_Temp.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"keep.xml"})
            << nKeys;

        // With room again the same document is saved whole.
        EXPECT_TRUE(xml.SaveXml(Path("again.xml")));
        CXDXml back;
        ASSERT_TRUE(back.Load(Path("again.xml")));
        EXPECT_EQ(back.SelectNodes(QStringLiteral("items/k")).GetCount(), nKeys);
        QFile::remove(Path("again.xml"));
    }
}

// A place that cannot be written at all: no such folder, or a folder where
// the file should be.
TEST_F(XDXmlBuild, SaveToAnUnusablePlaceFails) {
    CXDXml xml;
    ASSERT_TRUE(xml.CreateRoot(QStringLiteral("items")));
    ASSERT_TRUE(QDir(m_Temp.path()).mkdir(QStringLiteral("adir")));
    for (const QString& strPath : {Path("missing/dir/file.xml"), Path("adir"), QString()}) {
        m_vecTrace.clear();
        EXPECT_FALSE(xml.SaveXml(strPath)) << strPath.toStdString();
        EXPECT_TRUE(TracedLong(QStringLiteral("CXDXml.SaveXml.Save XML File Failed.")))
            << strPath.toStdString();
    }
    EXPECT_TRUE(QFileInfo(Path("adir")).isDir());
}

} // namespace
