#include "skin/BitmapButton.h"
#include "skin/CaptionBar.h"
#include "skin/FlatMenuStyle.h"
#include "skin/SkinColors.h"
#include "skin/SkinDialog.h"
#include "skin/SkinImages.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "skin_test";
    static char* argv[] = {name, nullptr};
    static QApplication* pApp = new QApplication(argc, argv);
    return *pApp;
}

QPixmap Tile(const QColor& color) {
    QPixmap pixmap(20, 10);
    pixmap.fill(color);
    return pixmap;
}

QColor DrawnColor(CBitmapButton& button) {
    return button.grab().toImage().pixelColor(5, 5);
}

class SkinControls : public ::testing::Test {
protected:
    void SetUp() override { App(); }
};

TEST_F(SkinControls, ButtonDrawsTheImageOfItsState) {
    CBitmapButton button;
    button.SetImages(Tile(Qt::red), Tile(Qt::green), Tile(Qt::blue), Tile(Qt::gray));
    button.resize(20, 10);
    EXPECT_EQ(button.sizeHint(), QSize(20, 10));

    EXPECT_EQ(button.CurrentState(), CBitmapButton::State::Normal);
    EXPECT_EQ(DrawnColor(button), QColor(Qt::red));

    button.setDown(true);
    EXPECT_EQ(button.CurrentState(), CBitmapButton::State::Pressed);
    EXPECT_EQ(DrawnColor(button), QColor(Qt::green));
    button.setDown(false);

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.CurrentState(), CBitmapButton::State::Hover);
    EXPECT_EQ(DrawnColor(button), QColor(Qt::blue));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.CurrentState(), CBitmapButton::State::Normal);

    button.setEnabled(false);
    EXPECT_EQ(button.CurrentState(), CBitmapButton::State::Disabled);
    EXPECT_EQ(DrawnColor(button), QColor(Qt::gray));
}

TEST_F(SkinControls, CheckedButtonLooksPressedAndMissingImagesFallBackToNormal) {
    CBitmapButton button;
    button.SetImages(Tile(Qt::red), Tile(Qt::green)); // a group selector: two images
    button.resize(20, 10);
    button.setCheckable(true);
    button.click();
    EXPECT_TRUE(button.isChecked());
    EXPECT_EQ(DrawnColor(button), QColor(Qt::green));

    button.setChecked(false);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(DrawnColor(button), QColor(Qt::red)) << "no hover image: the normal one";
    button.setEnabled(false);
    EXPECT_EQ(DrawnColor(button), QColor(Qt::red)) << "no disabled image: the normal one";
}

TEST_F(SkinControls, TabButtonShowsItsFocusImageUnderThePointer) {
    CBitmapButton tab;
    tab.SetImages(Tile(Qt::red), Tile(Qt::green), QPixmap(), Tile(Qt::gray), Tile(Qt::yellow));
    tab.resize(20, 10);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&tab, &enter);
    EXPECT_EQ(tab.CurrentState(), CBitmapButton::State::Focus);
    EXPECT_EQ(DrawnColor(tab), QColor(Qt::yellow));
}

TEST_F(SkinControls, CaptionButtonsSitAtTheRightEdgeAndReportClicks) {
    CCaptionBar caption;
    caption.resize(1024, CCaptionBar::kHeight);
    EXPECT_EQ(caption.CloseRect().topLeft(), QPoint(1024 - 23, 6));
    EXPECT_EQ(caption.MinimiseRect().topLeft(), QPoint(1024 - 44, 6));
    EXPECT_EQ(caption.LogoRect().topLeft(), QPoint(5, 0));

    QSignalSpy closed(&caption, &CCaptionBar::CloseClicked);
    QSignalSpy minimised(&caption, &CCaptionBar::MinimiseClicked);
    auto moveTo = [&caption](const QPoint& pos) {
        QMouseEvent move(QEvent::MouseMove, pos, caption.mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&caption, &move);
    };
    moveTo(caption.CloseRect().center());
    EXPECT_TRUE(caption.IsCloseHot());
    EXPECT_FALSE(caption.IsMinimiseHot());
    moveTo(caption.MinimiseRect().center());
    EXPECT_FALSE(caption.IsCloseHot());
    EXPECT_TRUE(caption.IsMinimiseHot());
    moveTo(QPoint(400, 10));
    EXPECT_FALSE(caption.IsCloseHot());
    EXPECT_FALSE(caption.IsMinimiseHot());

    QTest::mouseClick(&caption, Qt::LeftButton, {}, caption.CloseRect().center());
    QTest::mouseClick(&caption, Qt::LeftButton, {}, caption.MinimiseRect().center());
    // Between the two images, and right of the close image: nothing.
    QTest::mouseClick(&caption, Qt::LeftButton, {}, QPoint(caption.MinimiseRect().right() + 1, 10));
    QTest::mouseClick(&caption, Qt::LeftButton, {}, QPoint(1023, 25));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(minimised.count(), 1);
}

TEST_F(SkinControls, SkinDialogSizesItsClientArea) {
    CSkinDialog dialog(nullptr, false);
    dialog.MenuBar();
    dialog.SetClientSize(QSize(354, 101));
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.Client()->size(), QSize(354, 101));
    EXPECT_EQ(dialog.Client()->mapTo(&dialog, QPoint(0, 0)).y(), dialog.NonClientHeight() - 1);
}

// Every picture the window and the dialogs ask for exists, at the size its
// place in the layout needs.
TEST_F(SkinControls, EveryImageExistsAtItsSize) {
    const struct {
        std::vector<int> ids;
        QSize size;
    } table[] = {
        {{140, 139, 138, 141}, {37, 37}},
        {{144, 143, 145, 142, 147, 148, 146, 149, 151, 152, 150, 153}, {35, 35}},
        {{156, 155, 157, 154, 160, 159, 161, 158, 167, 168, 166, 169}, {35, 35}},
        {{171, 172, 176, 178, 181, 183, 186, 188, 191, 193, 201, 203}, {140, 26}},
        {{233, 235}, {139, 26}},
        {{206, 207, 208, 209, 211, 212, 213, 214}, {73, 27}},
        {{135}, {1022, 701}},
        {{239}, {354, 101}},
        {{237}, {576, 261}},
    };
    for (const auto& row : table) {
        for (int id : row.ids) {
            const QPixmap image = skin::Image(id);
            EXPECT_FALSE(image.isNull()) << id;
            EXPECT_EQ(image.size(), row.size) << id;
        }
    }
    for (int id : {129, 130, 131, 132, 133, 134})
        EXPECT_FALSE(skin::Image(id).isNull()) << id;
    EXPECT_TRUE(skin::Image(1).isNull());
    for (int id : {148, 149, 150})
        EXPECT_EQ(skin::IconImage(id).size(), QSize(16, 16)) << id;
    EXPECT_FALSE(skin::AppIcon().isNull());
    EXPECT_TRUE(skin::IconImage(151).isNull());
}

TEST_F(SkinControls, ButtonStatesAreDistinctPictures) {
    // A state that looks like another gives the user no feedback.
    for (const auto& ids :
         {std::vector<int>{140, 139, 138, 141}, {171, 172}, {206, 207, 208, 209}}) {
        for (std::size_t i = 0; i < ids.size(); ++i)
            for (std::size_t j = i + 1; j < ids.size(); ++j)
                EXPECT_NE(skin::Image(ids[i]).toImage(), skin::Image(ids[j]).toImage())
                    << ids[i] << " " << ids[j];
    }
}

TEST_F(SkinControls, FlatMenusMarkCheckedItemsAndGrayDisabledOnes) {
    QStyle* pStyle = new CFlatMenuStyle;
    QMenu menu;
    menu.setStyle(pStyle);
    QAction* pChecked = menu.addAction(QStringLiteral("Show &Read Chart"));
    pChecked->setCheckable(true);
    pChecked->setChecked(true);
    QAction* pUnchecked = menu.addAction(QStringLiteral("Show &Write Chart"));
    pUnchecked->setCheckable(true);
    QAction* pGray = menu.addAction(QStringLiteral("Recover"));
    pGray->setEnabled(false);
    menu.setDefaultAction(pUnchecked);
    menu.ensurePolished();
    menu.adjustSize();
    const QImage image = menu.grab().toImage();

    auto gutterHasMark = [&](QAction* pAction) {
        const QRect r = menu.actionGeometry(pAction);
        for (int x = r.left() + 2; x < r.left() + 24; ++x)
            for (int y = r.top() + 2; y < r.bottom() - 2; ++y)
                if (image.pixelColor(x, y) != skin::kMenuGutter)
                    return true;
        return false;
    };
    EXPECT_TRUE(gutterHasMark(pChecked));
    EXPECT_FALSE(gutterHasMark(pUnchecked));

    auto darkestText = [&](QAction* pAction) {
        const QRect r = menu.actionGeometry(pAction).adjusted(30, 0, 0, 0);
        int darkest = 255;
        for (int x = r.left(); x < r.right(); ++x)
            for (int y = r.top(); y < r.bottom(); ++y)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        return darkest;
    };
    EXPECT_LT(darkestText(pUnchecked), 80);
    EXPECT_GT(darkestText(pGray), 120) << "a disabled item is drawn gray";
    delete pStyle;
}

} // namespace
