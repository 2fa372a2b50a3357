// The custom controls and cells: how they draw, what they hold, how they take input.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "UiTestSupport.h"
#include "platform/qt/TrayStatusItem.h"
#include "ui/AppTableView.h"
#include "ui/ButtonHover.h"
#include "ui/ButtonYellow.h"
#include "ui/CellCheck.h"
#include "ui/CellPrefChekbox.h"
#include "ui/DoubleSlider.h"
#include "ui/FixedScrollView.h"
#include "ui/ImageView.h"
#include "ui/NamedColor.h"
#include "ui/Resources.h"
#include "ui/SegmentedControl.h"

using lendmode::ButtonHover;
using lendmode::ButtonYellow;
using lendmode::CellPrefChekbox;
using lendmode::ui::NamedColor;

namespace {

// Colours drawn with antialiasing and blending are compared with some slack.
bool near(const QColor& a, const QColor& b, int slack = 6) {
    return std::abs(a.red() - b.red()) <= slack && std::abs(a.green() - b.green()) <= slack &&
           std::abs(a.blue() - b.blue()) <= slack;
}

QImage drawn(QWidget& w) {
    return w.grab().toImage();
}

const char* const kNamedColors[] = {"HighliteButtonColor", "HighliteTextColor", "ButtonYellowBorder",
                                    "ButtonYellowON",      "ButtonYellowOFF",   "ButtonYellowTextON",
                                    "ButtonYellowTextOFF"};

}  // namespace

TEST(NamedColors, EverySevenHasALightAndADarkVariantChosenByThePalette) {
    for (const char* name : kNamedColors) {
        const QString n = QLatin1String(name);
        ASSERT_TRUE(NamedColor::contains(n)) << name;
        EXPECT_EQ(NamedColor::get(n, ui_testing::lightPalette()), NamedColor::get(n, false)) << name;
        EXPECT_EQ(NamedColor::get(n, ui_testing::darkPalette()), NamedColor::get(n, true)) << name;
    }
    EXPECT_NE(NamedColor::get(u"ButtonYellowOFF", false), NamedColor::get(u"ButtonYellowOFF", true));
    EXPECT_NE(NamedColor::get(u"ButtonYellowTextOFF", false), NamedColor::get(u"ButtonYellowTextOFF", true));
    // The yellow reads as on in both: its title stays dark.
    EXPECT_LT(NamedColor::get(u"ButtonYellowTextON", true).lightness(), 80);
}

TEST(NamedColors, AnUnknownNameStillDrawsSomethingVisible) {
    EXPECT_FALSE(NamedColor::contains(u"NoSuchColour"));
    EXPECT_EQ(NamedColor::get(u"NoSuchColour", false), QColor(Qt::black));
    EXPECT_EQ(NamedColor::get(u"NoSuchColour", true), QColor(Qt::white));
}

TEST(MenuIcons, BothImagesExistAtSeveralSizesAndDiffer) {
    const QIcon off = lendmode::ui::menuIcon(false);
    const QIcon on = lendmode::ui::menuIcon(true);
    ASSERT_FALSE(off.isNull());
    ASSERT_FALSE(on.isNull());
    EXPECT_GE(off.availableSizes().size(), 4);
    EXPECT_NE(off.pixmap(22, 22).toImage(), on.pixmap(22, 22).toImage());
    EXPECT_FALSE(QIcon(QStringLiteral(":/MenuIcon")).isNull());
    EXPECT_FALSE(QIcon(QStringLiteral(":/MenuIconOn")).isNull());
}

// Off, the menu bar colours the status item's mask; on, it keeps its colour. A tray
// draws the mask grey, not black, with the figure cut out.
TEST(MenuIcons, TheStatusItemIsAMaskWhenOffAndTheTrayDrawsItGrey) {
    const QIcon off = lendmode::ui::statusItemIcon(false);
    ASSERT_FALSE(off.isNull());
    EXPECT_TRUE(off.isMask());
    EXPECT_FALSE(lendmode::ui::statusItemIcon(true).isMask());
    EXPECT_GE(off.availableSizes().size(), 4);

    const QImage tray = platform::qt::drawnForTray(off).pixmap(64, 64).toImage();
    const QColor disc = tray.pixelColor(8, 32);  // left of the figure, inside the disc
    EXPECT_EQ(disc.alpha(), 255);
    EXPECT_GT(disc.lightness(), 100) << "grey, not black";
    EXPECT_LT(tray.pixelColor(32, 22).alpha(), 40) << "the figure's head is cut out";
}

TEST(ButtonYellowTest, TheTagDecidesWhichCornersAreCurved) {
    for (int tag : {0, 1, 2}) {
        ButtonYellow button(QStringLiteral("Lendmode"));
        button.setTag(tag);
        button.resize(120, 34);
        const QImage image = drawn(button);
        const QColor background = button.palette().color(QPalette::Window);
        const bool left = tag == 1;
        EXPECT_EQ(button.maskedCorners(), left ? 5 : 10) << tag;
        // A curved corner leaves its outermost pixel to the background; a square one
        // draws its border there.
        const struct {
            QPoint at;
            bool curved;
        } corners[] = {{{0, 0}, left}, {{0, 33}, left}, {{119, 0}, !left}, {{119, 33}, !left}};
        for (const auto& c : corners) {
            const QColor pixel = image.pixelColor(c.at);
            EXPECT_EQ(near(pixel, background), c.curved)
                << "tag " << tag << " at " << c.at.x() << "," << c.at.y();
        }
    }
}

TEST(ButtonYellowTest, OnlyTheOnStateDrawsYellowMixedDrawsAsOff) {
    ButtonYellow button(QStringLiteral("ON"));
    button.setTag(1);
    button.resize(160, 34);
    const struct {
        Qt::CheckState state;
        const char16_t* fill;
        const char16_t* text;
    } cases[] = {{Qt::Checked, u"ButtonYellowON", u"ButtonYellowTextON"},
                 {Qt::Unchecked, u"ButtonYellowOFF", u"ButtonYellowTextOFF"},
                 {Qt::PartiallyChecked, u"ButtonYellowOFF", u"ButtonYellowTextOFF"}};
    for (const auto& c : cases) {
        button.setState(c.state);
        const QImage image = drawn(button);
        EXPECT_TRUE(near(image.pixelColor(150, 17), NamedColor::get(c.fill, &button), 2)) << c.state;
        EXPECT_EQ(button.titleColor(), NamedColor::get(c.text, &button)) << c.state;
    }
    // The colours follow the palette at the next drawing.
    button.setPalette(ui_testing::darkPalette());
    button.setState(Qt::Checked);
    const QImage dark = drawn(button);
    EXPECT_TRUE(near(dark.pixelColor(150, 17), NamedColor::get(u"ButtonYellowON", true), 2));
    EXPECT_EQ(button.titleColor(), NamedColor::get(u"ButtonYellowTextON", true));
}

TEST(ButtonYellowTest, ClicksLeaveTheStateToTheHandlerAndTitleColourChangesOnlyTheColour) {
    ButtonYellow button(QStringLiteral("Lendmode"));
    QFont font = button.font();
    font.setItalic(true);
    button.setFont(font);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    button.click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button.state(), Qt::Unchecked);

    button.setTitleColor(Qt::red);
    EXPECT_EQ(button.titleColor(), QColor(Qt::red));
    EXPECT_EQ(button.text(), QStringLiteral("Lendmode"));
    EXPECT_TRUE(button.font().italic());

    ButtonYellow empty;
    empty.setTitleColor(Qt::blue);
    EXPECT_TRUE(empty.text().isEmpty());
    EXPECT_EQ(empty.titleColor(), QColor(Qt::blue));
}

TEST(ButtonHoverTest, HighlightsWhileThePointerIsInsideItsFirstTrackingArea) {
    ButtonHover button(QStringLiteral("Preferences…"));
    button.resize(200, 26);
    EXPECT_FALSE(button.trackingArea().has_value()) << "no tracking area before the first drawing";
    (void)button.grab();
    ASSERT_TRUE(button.trackingArea().has_value());
    EXPECT_EQ(*button.trackingArea(), QRect(0, 0, 200, 26));
    EXPECT_EQ(button.backgroundColor().alpha(), 0);
    EXPECT_EQ(button.contentTintColor(), button.palette().color(QPalette::ButtonText));

    QEnterEvent enter(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.isHighlighted());
    EXPECT_EQ(button.backgroundColor(), NamedColor::get(u"HighliteButtonColor", &button));
    EXPECT_EQ(button.contentTintColor(), NamedColor::get(u"HighliteTextColor", &button));

    // Grown after the first drawing: the tracking area stays as it was.
    button.resize(320, 40);
    (void)button.grab();
    EXPECT_EQ(*button.trackingArea(), QRect(0, 0, 200, 26));
    QMouseEvent move(QEvent::MouseMove, QPointF(260, 10), QPointF(260, 10), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&button, &move);
    EXPECT_FALSE(button.isHighlighted()) << "outside the first rectangle";

    QApplication::sendEvent(&button, &enter);
    ASSERT_TRUE(button.isHighlighted());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHighlighted());
    EXPECT_EQ(button.backgroundColor().alpha(), 0);
}

TEST(ButtonHoverTest, ACheckColumnKeepsTheTitleInPlaceWhenTheMarkComesAndGoes) {
    lendmode::ButtonHover item(QStringLiteral("Start at Login"));
    lendmode::ButtonHover plain(QStringLiteral("Quit Lendmode"));
    item.resize(300, 26);
    plain.resize(300, 26);
    item.setCheckable(true);
    item.setReservesCheckColumn(true);
    plain.setReservesCheckColumn(true);
    const QRect unchecked = item.titleRect();
    item.setChecked(true);
    EXPECT_EQ(item.titleRect(), unchecked);
    EXPECT_EQ(plain.titleRect(), unchecked) << "the menu's items line up";
    EXPECT_GT(unchecked.left(), lendmode::ButtonHover(QStringLiteral("x")).titleRect().left());
}

TEST(FixedScrollViewTest, HasNoScrollBarsAndSwallowsTheWheel) {
    QScrollArea outer;
    auto* page = new QWidget;
    page->setFixedSize(300, 2000);
    auto* fixed = new lendmode::FixedScrollView(page);
    fixed->setGeometry(0, 0, 300, 200);
    auto* inner = new QWidget;
    inner->setFixedSize(280, 2000);
    fixed->setWidget(inner);
    outer.setWidget(page);
    outer.resize(320, 400);
    outer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outer));

    EXPECT_EQ(fixed->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(fixed->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    const auto wheelAt = [](QWidget* target, QPoint at) {
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
        return wheel.isAccepted();
    };
    EXPECT_TRUE(wheelAt(fixed->viewport(), QPoint(50, 50)));
    EXPECT_EQ(fixed->verticalScrollBar()->value(), 0);
    EXPECT_EQ(outer.verticalScrollBar()->value(), 0) << "the wheel did not reach the view around";

    // The same wheel beside the fixed view does scroll the view around: the event works.
    wheelAt(outer.viewport(), QPoint(50, 300));
    EXPECT_GT(outer.verticalScrollBar()->value(), 0);
}

TEST(SegmentedControlTest, OnlyTheUserActivatesAndOutOfRangeIsIgnored) {
    lendmode::SegmentedControl control;
    control.setSegmentCount(3);
    control.setLabel(QStringLiteral("Bottom"), 0);
    control.setLabel(QStringLiteral("Left side"), 1);
    control.setLabel(QStringLiteral("Right side"), 2);
    control.setLabel(QStringLiteral("Nowhere"), 3);
    control.resize(300, 28);
    QSignalSpy activated(&control, &lendmode::SegmentedControl::activated);

    control.setSelected(true, 1);
    control.setSelected(true, 7);
    EXPECT_EQ(control.selectedSegment(), 1);
    EXPECT_EQ(activated.count(), 0);
    EXPECT_EQ(control.labels(), (QStringList{"Bottom", "Left side", "Right side"}));

    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(250, 14));
    EXPECT_EQ(control.selectedSegment(), 2);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 2);

    QTest::keyClick(&control, Qt::Key_Left);
    EXPECT_EQ(control.selectedSegment(), 1);
    QTest::keyClick(&control, Qt::Key_Right);
    QTest::keyClick(&control, Qt::Key_Right);
    EXPECT_EQ(control.selectedSegment(), 2);
    EXPECT_EQ(activated.count(), 3) << "a key at the end changes nothing and says nothing";
}

TEST(DoubleSliderTest, MapsItsRangeAndSurvivesAnEmptyOne) {
    lendmode::DoubleSlider slider;
    slider.setMinValue(10.0);
    slider.setMaxValue(20.0);
    slider.setDoubleValue(15.0);
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 15.0);
    slider.setDoubleValue(99.0);
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 20.0);
    slider.setMaxValue(5.0);  // below the minimum
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 10.0);
    slider.setDoubleValue(std::nan(""));
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 10.0);
}

TEST(CellPrefChekboxTest, EachKindHasOnlyItsOwnControls) {
    using Cell = std::unique_ptr<CellPrefChekbox>;
    const Cell two(CellPrefChekbox::make(QStringLiteral("Segment2Custom")));
    ASSERT_TRUE(two);
    EXPECT_TRUE(two->title1 && two->button1 && two->button2 && two->slider);
    EXPECT_FALSE(two->title2 || two->box || two->segmentControl || two->tableApp);
    EXPECT_EQ(two->button1->tag(), 1);
    EXPECT_NE(two->button2->tag(), 1);

    const Cell check(CellPrefChekbox::make(QStringLiteral("Chekbox")));
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->title1 && check->title2 && check->box);
    EXPECT_FALSE(check->segmentControl || check->button1 || check->tableApp);

    const Cell three(CellPrefChekbox::make(QStringLiteral("SegmentControl3")));
    ASSERT_TRUE(three);
    ASSERT_TRUE(three->segmentControl);
    EXPECT_EQ(three->segmentControl->segmentCount(), 3);
    EXPECT_FALSE(three->box);

    const Cell list(CellPrefChekbox::make(QStringLiteral("AppListCell")));
    ASSERT_TRUE(list);
    ASSERT_TRUE(list->tableApp);
    EXPECT_EQ(list->tableApp->identifier(), QStringLiteral("TableAppID"));
    EXPECT_EQ(list->findChild<lendmode::AppTableView*>(QStringLiteral("tableApp")), list->tableApp);

    EXPECT_EQ(CellPrefChekbox::make(QStringLiteral("Unknown")), nullptr);
    EXPECT_EQ(CellPrefChekbox::make(QString()), nullptr);
}

TEST(CellCheckTest, OutletsAreNamedAfterThemselves) {
    lendmode::CellCheck cell;
    EXPECT_EQ(cell.findChild<QCheckBox*>(QStringLiteral("buttonCheck")), cell.buttonCheck);
    EXPECT_EQ(cell.findChild<QLabel*>(QStringLiteral("title1")), cell.title1);
    EXPECT_EQ(cell.findChild<lendmode::ImageView*>(QStringLiteral("iconApp")), cell.iconApp);
    EXPECT_EQ(cell.nomer, 0);
}
