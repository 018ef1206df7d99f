// The sortable list base: the three comparison modes, header clicks with
// their arrow, row records travelling with their rows, cells set only when
// they change, the row colours, row heights and the relayout signal.
#include "views/ListCtrlCn.h"
#include "views/ListCtrlCnCompare.h"
#include "views/SortHeaderCtrl.h"

#include "tests/support/QtTestApp.h"
#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace {

struct CompareCase {
    const char* a;
    const char* b;
    int expected;
};

TEST(CellTextCompare, ChoosesTheModeForEachPair) {
    const CompareCase cases[] = {
        // Numbers: whole part first, then the fraction.
        {"10.00", "9.99", 1},
        {"9.99", "10.00", -1},
        {"0.25", "0.75", -1},
        {"12.75", "12.5", 1},
        {"1.50", "1.5", 0},
        {"007", "7", 0},
        {"", "0", 0},
        {"", "3", -1},
        {"123456789012345678901234567890", "123456789012345678901234567891", -1},
        // Dates, day/month/year: the year decides first, then month, then day.
        {"01/02/2005", "31/01/2006", -1},
        {"31/01/2006", "01/02/2006", -1},
        {"02/03/2006", "01/03/2006", 1},
        {"15/06/2010", "15/06/2010", 0},
        // Anything else is text: "9a" is not a number, so "10" < "9a".
        {"10", "9a", -1},
        {"--", "1.00", -1},
        {"abc", "abd", -1},
        {"1/2/2005", "01/02/2005", 1}, // not both dates: compared as text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareCellTexts(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.expected)
            << c.a << " vs " << c.b;
        EXPECT_EQ(CompareCellTexts(QString::fromUtf8(c.b), QString::fromUtf8(c.a)), -c.expected)
            << c.b << " vs " << c.a;
    }
}

TEST(CellTextCompare, RecognisesNumbersAndDates) {
    EXPECT_TRUE(IsNumericCellText(QString()));
    EXPECT_TRUE(IsNumericCellText(QStringLiteral("0.0001")));
    EXPECT_FALSE(IsNumericCellText(QStringLiteral("--")));
    EXPECT_FALSE(IsNumericCellText(QStringLiteral("-1")));
    EXPECT_FALSE(IsNumericCellText(QStringLiteral("1 000")));
    EXPECT_TRUE(IsDateCellText(QStringLiteral("03/02/2006")));
    EXPECT_FALSE(IsDateCellText(QStringLiteral("03-02-2006")));
    EXPECT_FALSE(IsDateCellText(QStringLiteral("3/02/2006")));
    EXPECT_FALSE(IsDateCellText(QStringLiteral("03/02/06")));
    EXPECT_FALSE(IsDateCellText(QStringLiteral("0a/02/2006")));
}

// A three-column list whose rows carry their index in the record, so tests
// can see the records travel with their rows.
class ListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_list.SetColumns({QStringLiteral("Name"), QStringLiteral("Speed"), QStringLiteral("Date")},
                          {100, 80, 100});
        m_list.resize(400, 300);
    }

    void AddRows(const std::vector<std::array<const char*, 3>>& rows) {
        for (const auto& texts : rows) {
            const int nRow = m_list.InsertItem(m_list.GetItemCount(), QString::fromUtf8(texts[0]));
            m_list.UpdateItemText(nRow, 1, QString::fromUtf8(texts[1]));
            m_list.UpdateItemText(nRow, 2, QString::fromUtf8(texts[2]));
            m_list.GetRowData(nRow)->dwUser = static_cast<quint32>(nRow);
        }
    }

    QStringList Column(int nColumn) const {
        QStringList texts;
        for (int i = 0; i < m_list.GetItemCount(); ++i)
            texts << m_list.GetItemText(i, nColumn);
        return texts;
    }

    CListCtrlCn m_list;
};

TEST_F(ListFixture, HeaderClicksSortAndMoveTheArrow) {
    AddRows({{"b", "10.00", "01/02/2005"},
             {"c", "9.99", "31/01/2006"},
             {"a", "0.75", "15/01/2005"},
             {"d", "0.25", "01/02/2004"}});
    CSortHeaderCtrl* pHeader = m_list.GetSortHeader();
    EXPECT_EQ(pHeader->GetSortColumn(), -1);

    m_list.OnColumnClick(1);
    EXPECT_EQ(Column(1), QStringList({"0.25", "0.75", "9.99", "10.00"}));
    EXPECT_EQ(pHeader->GetSortColumn(), 1);
    EXPECT_TRUE(pHeader->IsSortAscending());

    m_list.OnColumnClick(1);
    EXPECT_EQ(Column(1), QStringList({"10.00", "9.99", "0.75", "0.25"}));
    EXPECT_EQ(pHeader->GetSortColumn(), 1);
    EXPECT_FALSE(pHeader->IsSortAscending());

    m_list.OnColumnClick(2);
    EXPECT_EQ(Column(2), QStringList({"01/02/2004", "15/01/2005", "01/02/2005", "31/01/2006"}));
    EXPECT_EQ(pHeader->GetSortColumn(), 2);
    EXPECT_TRUE(pHeader->IsSortAscending());

    // Each row's record went with it.
    const QStringList names = Column(0);
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        const quint32 uInserted = m_list.GetRowData(i)->dwUser;
        EXPECT_EQ(names[i], QString("bcad")[static_cast<int>(uInserted)]) << i;
    }
}

TEST_F(ListFixture, ClickingTheRealHeaderSorts) {
    AddRows({{"b", "1", ""}, {"a", "2", ""}});
    emit m_list.GetSortHeader()->sectionClicked(0);
    EXPECT_EQ(Column(0), QStringList({"a", "b"}));
}

TEST_F(ListFixture, SortKeepsTheSelectionAndLaterRowsGoToTheEnd) {
    AddRows({{"b", "", ""}, {"c", "", ""}, {"a", "", ""}});
    m_list.SetItemSelected(1, true); // "c"
    m_list.OnColumnClick(0);
    EXPECT_EQ(Column(0), QStringList({"a", "b", "c"}));
    EXPECT_EQ(m_list.GetSelectedRows(), QList<int>({2}));

    AddRows({{"0", "", ""}});
    EXPECT_EQ(Column(0), QStringList({"a", "b", "c", "0"}));
}

TEST_F(ListFixture, DisabledSortingIgnoresHeaderClicks) {
    class CUnsortedList : public CListCtrlCn {
    public:
        CUnsortedList() { m_bSortEnabled = false; }
    } list;
    list.SetColumns({QStringLiteral("Name")}, {100});
    for (const char* name : {"b", "a"})
        list.InsertItem(list.GetItemCount(), QString::fromUtf8(name));
    list.OnColumnClick(0);
    EXPECT_EQ(list.GetItemText(0, 0), "b");
    EXPECT_EQ(list.GetSortHeader()->GetSortColumn(), -1);
    EXPECT_EQ(list.GetSortColumn(), -1);
}

TEST_F(ListFixture, UpdateItemTextTouchesOnlyChangedCells) {
    AddRows({{"a", "1.00", ""}});
    int nChanges = 0;
    QObject::connect(m_list.model(), &QAbstractItemModel::dataChanged, [&] { ++nChanges; });
    EXPECT_TRUE(m_list.UpdateItemText(0, 1, QStringLiteral("1.00")));
    EXPECT_EQ(nChanges, 0);
    EXPECT_TRUE(m_list.UpdateItemText(0, 1, QStringLiteral("2.00")));
    EXPECT_EQ(nChanges, 1);
    EXPECT_EQ(m_list.GetItemText(0, 1), "2.00");
    EXPECT_FALSE(m_list.UpdateItemText(5, 1, QStringLiteral("x")));
    EXPECT_FALSE(m_list.UpdateItemText(0, 7, QStringLiteral("x")));
}

TEST_F(ListFixture, NewRowsGetARecordWithTheListColours) {
    AddRows({{"a", "", ""}});
    const ROW_DATA* pData = m_list.GetRowData(0);
    ASSERT_NE(pData, nullptr);
    EXPECT_EQ(pData->crText, m_list.palette().color(QPalette::Text));
    EXPECT_EQ(pData->crBackground, m_list.palette().color(QPalette::Base));
    EXPECT_EQ(m_list.GetRowData(1), nullptr);
}

TEST_F(ListFixture, RowHeightFollowsTheFontAndTheOwner) {
    AddRows({{"a", "", ""}});
    m_list.show();
    QApplication::processEvents();
    EXPECT_EQ(m_list.GetRowHeight(), 14);
    EXPECT_EQ(m_list.visualItemRect(m_list.topLevelItem(0)).height(), 14);

    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(14);
    m_list.SetListFont(font);
    QApplication::processEvents();
    EXPECT_EQ(m_list.visualItemRect(m_list.topLevelItem(0)).height(), 16);

    m_list.SetItemHeight(18);
    QApplication::processEvents();
    EXPECT_EQ(m_list.visualItemRect(m_list.topLevelItem(0)).height(), 18);
}

// Counts the pixels inside a rectangle of an image that pass a test.
template <typename Pred> int CountPixels(const QImage& image, const QRect& rect, Pred pred) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += pred(QColor(image.pixel(x, y))) ? 1 : 0;
    return n;
}

int CountColour(const QImage& image, const QRect& rect, const QColor& colour) {
    return CountPixels(image, rect, [&](const QColor& c) { return c == colour; });
}

// Text is drawn anti-aliased: a clearly red pixel is red enough.
bool IsReddish(const QColor& c) {
    return c.red() > 150 && c.green() < 110 && c.blue() < 110;
}

TEST_F(ListFixture, SelectedRowsAreWhiteOnHighlightOthersTheirColourOnWhite) {
    AddRows({{"WWWWWWWW", "", ""}, {"WWWWWWWW", "", ""}});
    const QColor red(255, 0, 0);
    m_list.GetRowData(0)->crText = red;
    m_list.GetRowData(1)->crText = red;
    m_list.SetItemSelected(1, true);
    m_list.show();
    QApplication::processEvents();

    const QImage image = m_list.viewport()->grab().toImage();
    auto firstCell = [this](int nRow) {
        const QRect rc = m_list.visualItemRect(m_list.topLevelItem(nRow));
        return QRect(rc.left(), rc.top(), m_list.columnWidth(0), rc.height());
    };
    const QRect rc0 = firstCell(0);
    const QRect rc1 = firstCell(1);
    const QColor highlight = m_list.palette().color(QPalette::Active, QPalette::Highlight);
    const QColor white(255, 255, 255);
    const int nArea = rc0.width() * rc0.height();

    EXPECT_GT(CountPixels(image, rc0, IsReddish), 0);
    EXPECT_GT(CountColour(image, rc0, white), nArea / 2);
    EXPECT_EQ(CountColour(image, rc0, highlight), 0);

    EXPECT_EQ(CountPixels(image, rc1, IsReddish), 0);
    EXPECT_GT(CountColour(image, rc1, white), 0);
    EXPECT_GT(CountColour(image, rc1, highlight), nArea / 2);
}

TEST_F(ListFixture, TheArrowIsDrawnOnTheSortedColumnOnly) {
    AddRows({{"b", "2", ""}, {"a", "1", ""}});
    m_list.show();
    CSortHeaderCtrl* pHeader = m_list.GetSortHeader();
    auto section = [pHeader](int nColumn) {
        const QImage image = pHeader->grab().toImage();
        return image.copy(pHeader->sectionViewportPosition(nColumn), 0,
                          pHeader->sectionSize(nColumn), pHeader->height());
    };
    const QColor arrowFill = pHeader->ArrowImage(true).toImage().pixelColor(7, 8);
    auto arrowPixels = [&](const QImage& image) {
        return CountColour(image, image.rect(), arrowFill);
    };
    ASSERT_EQ(arrowPixels(section(1)), 0);

    m_list.OnColumnClick(1);
    const QImage ascending = section(1);
    EXPECT_GT(arrowPixels(ascending), 4);
    EXPECT_EQ(arrowPixels(section(0)), 0);

    m_list.OnColumnClick(1);
    const QImage descending = section(1);
    EXPECT_GT(arrowPixels(descending), 4);
    EXPECT_NE(ascending, descending);

    m_list.OnColumnClick(2);
    EXPECT_EQ(arrowPixels(section(1)), 0);
    EXPECT_GT(arrowPixels(section(2)), 4);
}

TEST_F(ListFixture, TheSmallIconIsDrawnCentredInTheFirstCell) {
    m_list.SetColumns({QString(), QStringLiteral("Name")}, {16, 80});
    QPixmap green(16, 16);
    green.fill(QColor(0, 200, 0));
    m_list.SetSmallImageList({green});
    m_list.SetItemHeight(18);
    AddRows({{"", "x", ""}, {"", "y", ""}});
    m_list.SetItemImage(0, 0);
    EXPECT_EQ(m_list.GetItemImage(0), 0);
    EXPECT_EQ(m_list.GetItemImage(1), -1);
    m_list.show();
    QApplication::processEvents();

    const QImage image = m_list.viewport()->grab().toImage();
    const QRect rc0 = m_list.visualItemRect(m_list.topLevelItem(0));
    const QRect rc1 = m_list.visualItemRect(m_list.topLevelItem(1));
    const QRect cell0(rc0.left(), rc0.top(), 16, rc0.height());
    EXPECT_EQ(CountColour(image, cell0, QColor(0, 200, 0)), 16 * 16);
    EXPECT_EQ(QColor(image.pixel(rc0.left() + 8, rc0.top())), QColor(255, 255, 255));
    EXPECT_EQ(CountColour(image, QRect(rc1.left(), rc1.top(), 16, rc1.height()), QColor(0, 200, 0)),
              0);
}

TEST_F(ListFixture, RelayoutIsAskedForWhenTheListNotifies) {
    int nRelayouts = 0;
    QObject::connect(&m_list, &CListCtrlCn::RelayoutRequested, [&] { ++nRelayouts; });
    AddRows({{"a", "", ""}, {"b", "", ""}});
    EXPECT_GE(nRelayouts, 2); // the rows inserted
    nRelayouts = 0;
    m_list.SetItemSelected(1, true);
    EXPECT_GE(nRelayouts, 1);
    nRelayouts = 0;
    emit m_list.GetSortHeader()->sectionClicked(0);
    EXPECT_GE(nRelayouts, 1);
}

} // namespace

TEST_F(ListFixture, GridLinesRunAlongEachCellsRightAndBottomEdge) {
    AddRows({{"a", "1.00", ""}, {"b", "2.00", ""}});
    m_list.SetGridLines(true);
    m_list.show();
    QApplication::processEvents();

    const QImage image = m_list.viewport()->grab().toImage();
    const QColor grid(208, 208, 208);
    const QColor white(255, 255, 255);
    const QRect rcRow = m_list.visualItemRect(m_list.topLevelItem(0));
    const int nRight = m_list.columnWidth(0) - 1; // last pixel of the first cell
    // Down the whole right edge, along the whole bottom edge, nothing inside.
    for (int y = rcRow.top(); y <= rcRow.bottom(); ++y)
        EXPECT_EQ(image.pixelColor(nRight, y), grid) << "y " << y;
    for (int x = rcRow.left(); x <= nRight; ++x)
        EXPECT_EQ(image.pixelColor(x, rcRow.bottom()), grid) << "x " << x;
    EXPECT_EQ(image.pixelColor(nRight - 1, rcRow.top()), white);
    EXPECT_EQ(image.pixelColor(nRight - 1, rcRow.bottom() - 1), white);

    m_list.SetGridLines(false);
    QApplication::processEvents();
    const QImage plain = m_list.viewport()->grab().toImage();
    EXPECT_EQ(plain.pixelColor(nRight, rcRow.top()), white);
    EXPECT_EQ(plain.pixelColor(rcRow.left(), rcRow.bottom()), white);
}
