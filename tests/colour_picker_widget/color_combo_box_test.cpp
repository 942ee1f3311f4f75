// The colour box in a shown window: opening, moving, accepting and cancelling with keys and the
// mouse, typed characters, the closed box's keys and wheel, and the open list's geometry.
#include <QCursor>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWheelEvent>

#include "tests/colour_picker_widget/widget_test_support.h"

namespace t2j {
namespace {

using widget_testing::At;
using widget_testing::BoxWindow;
using widget_testing::Drawn;
using widget_testing::Named;

// Somewhere on the screen that neither the box nor its list covers.
const QPoint kFarAway(5, 5);

class ColorComboBoxTest : public ::testing::Test {
 protected:
  ColorComboBoxTest() { QCursor::setPos(kFarAway); }

  bool WaitShown() {
    return QTest::qWaitFor([&] { return w.PopupShown(); });
  }
  bool WaitHidden() {
    return QTest::qWaitFor([&] { return !w.PopupShown(); });
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = w.PopupShown() ? static_cast<QWidget*>(w.Popup()) : w.box;
    QTest::keyClick(target, key, modifiers);
  }
  void PressOn(QPoint pos) { QTest::mouseClick(w.box, Qt::LeftButton, {}, pos); }
  std::string ShownText() const { return w.box->Model().ShownState().text; }
  void OpenWithF4() {
    Key(Qt::Key_F4);
    ASSERT_TRUE(WaitShown());
  }

  BoxWindow w;
};

TEST_F(ColorComboBoxTest, ClosedBoxDrawsTheGreenSwatchBesideTheName) {
  EXPECT_EQ(w.box->size(), QSize(121, 20));
  EXPECT_EQ(w.box->font().pixelSize(), 12);
  const QImage image = w.box->grab().toImage();
  const ClosedBoxLayout layout = w.box->Layout();
  ASSERT_EQ(layout.swatch.width(), 30);
  EXPECT_EQ(layout.swatch.left(), w.box->InnerRect().left());
  EXPECT_EQ(layout.text_part.left(), layout.swatch.right() + 1);
  const QRect field = layout.swatch.adjusted(2, 2, -2, -2);
  EXPECT_EQ(field.width(), 26);
  for (int y = field.top(); y <= field.bottom(); ++y) {
    for (int x = field.left(); x <= field.right(); ++x) {
      ASSERT_EQ(At(image, x, y), qRgb(0, 0x80, 0)) << x << "," << y;
    }
  }
  EXPECT_EQ(At(image, layout.swatch.left() + 1, layout.swatch.top() + 1), Drawn(0xFF000010u));
  EXPECT_EQ(At(image, layout.swatch.left(), layout.swatch.top()), Drawn(kClWindow));
  EXPECT_EQ(ShownText(), "clGreen");
}

TEST_F(ColorComboBoxTest, PressOnTheNameOpensButNotOnTheSwatch) {
  const ClosedBoxLayout layout = w.box->Layout();
  PressOn(layout.swatch.center());
  QTest::qWait(20);
  EXPECT_FALSE(w.PopupShown());
  EXPECT_FALSE(w.box->DroppedDown());

  PressOn(layout.text_part.center());
  ASSERT_TRUE(WaitShown());
  EXPECT_TRUE(w.box->DroppedDown());
  EXPECT_EQ(w.box->Model().HighlightedRow(), 2);
  // The release over the box did not accept anything.
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 0);
}

TEST_F(ColorComboBoxTest, PressOnTheButtonOpensAndPressOutsideClosesWithoutAccepting) {
  QStyleOptionComboBox option;
  option.initFrom(w.box);
  option.editable = false;
  option.frame = true;
  const QRect button =
      w.box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, w.box);
  PressOn(button.center());
  ASSERT_TRUE(WaitShown());
  Key(Qt::Key_Down);
  EXPECT_EQ(w.box->Model().HighlightedRow(), 3);

  QTest::mouseClick(w.Popup(), Qt::LeftButton, {}, QPoint(-20, -40));
  ASSERT_TRUE(WaitHidden());
  EXPECT_FALSE(w.box->DroppedDown());
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 0);
}

struct OpenKeyCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

class OpenKeyTest : public ColorComboBoxTest, public ::testing::WithParamInterface<OpenKeyCase> {};

TEST_P(OpenKeyTest, OpensAndThenAcceptsTheHighlightedRow) {
  Key(GetParam().key, GetParam().modifiers);
  ASSERT_TRUE(WaitShown());
  Key(Qt::Key_Down);  // clOlive
  Key(GetParam().key, GetParam().modifiers);
  ASSERT_TRUE(WaitHidden());
  EXPECT_EQ(w.box->ColorValue(), Named("clOlive"));
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 1);
  EXPECT_TRUE(w.typed.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, OpenKeyTest,
                         ::testing::Values(OpenKeyCase{"F4", Qt::Key_F4, Qt::NoModifier},
                                           OpenKeyCase{"AltDown", Qt::Key_Down, Qt::AltModifier},
                                           OpenKeyCase{"AltUp", Qt::Key_Up, Qt::AltModifier}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ColorComboBoxTest, OpenListShowsEightRowsWithTheCurrentColourHighlighted) {
  OpenWithF4();
  TcxColorListBox* list = w.List();
  EXPECT_EQ(list->viewport()->height(), 128);
  EXPECT_EQ(list->TopRow(), 0);
  EXPECT_EQ(list->RowAt(QPoint(40, 127)), 7);  // clGray, the last visible row
  EXPECT_EQ(w.box->Model().HighlightedRow(), 2);
  EXPECT_TRUE(list->verticalScrollBar()->isVisible());
  const QFontMetrics metrics(w.box->font());
  const int text_extent =
      metrics.horizontalAdvance(QStringLiteral("clGradientInactiveCaption")) + 4 + 30;
  EXPECT_GE(list->viewport()->width(), text_extent);
  EXPECT_GE(w.Popup()->width(), w.box->width());
  // Below the box, at its left edge.
  EXPECT_EQ(w.Popup()->geometry().topLeft(), w.box->mapToGlobal(QPoint(0, w.box->height())));

  const QImage image = list->viewport()->grab().toImage();
  EXPECT_EQ(At(image, 10, 2 * 16 + 8), qRgb(0, 0x80, 0));    // clGreen's swatch
  EXPECT_EQ(At(image, 0, 2 * 16 + 1), Drawn(kClHighlight));  // its row highlighted
  EXPECT_EQ(At(image, 0, 0 * 16 + 1), Drawn(kClWindow));     // clBlack's row is not
  EXPECT_EQ(At(image, 10, 0 * 16 + 8), qRgb(0, 0, 0));
}

TEST_F(ColorComboBoxTest, AcceptingWithEnterRecordsTheRecentColour) {
  QSignalSpy added(w.box, &TcxColorComboBox::AddedMRUColor);
  OpenWithF4();
  for (int i = 0; i < 7; ++i) Key(Qt::Key_Down);  // from clGreen (row 2) to clRed (row 9)
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u) << "the value waits for the accept";
  Key(Qt::Key_Return);
  ASSERT_TRUE(WaitHidden());
  EXPECT_EQ(w.box->ColorValue(), 0x000000FFu);
  EXPECT_EQ(ShownText(), "clRed");
  ASSERT_EQ(added.count(), 1);
  EXPECT_EQ(added.at(0).at(0).toUInt(), 0x000000FFu);

  const ColorComboModel& model = w.box->Model();
  EXPECT_EQ(model.RowCount(), 53);
  EXPECT_EQ(model.RowText(0), "clRed");
  EXPECT_EQ(model.RowText(1), "clBlack");
  OpenWithF4();
  EXPECT_EQ(w.List()->viewport()->height(), 131);
  EXPECT_EQ(w.List()->RowRect(0).height(), 19);
  EXPECT_EQ(model.HighlightedRow(), 0);
  const QImage image = w.List()->viewport()->grab().toImage();
  // The double line under the recent block, in the window colour on the highlighted row.
  EXPECT_EQ(At(image, 5, 16), Drawn(kClWindow));
  EXPECT_EQ(At(image, 5, 17), Drawn(kClHighlight));
  EXPECT_EQ(At(image, 10, 19 + 8), qRgb(0, 0, 0));  // clBlack follows
}

TEST_F(ColorComboBoxTest, EscapeCancelsTheOpenList) {
  OpenWithF4();
  Key(Qt::Key_End);
  EXPECT_EQ(w.box->Model().HighlightedRow(), 51);
  EXPECT_GT(w.List()->TopRow(), 0) << "the highlight is scrolled into view";
  Key(Qt::Key_Escape);
  ASSERT_TRUE(WaitHidden());
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 0);
  EXPECT_TRUE(w.box->hasFocus());
  // The Escape that closed the list undid nothing of the closed box.
  EXPECT_FALSE(w.box->Model().Modified());
}

TEST_F(ColorComboBoxTest, ReopenedListStartsAtItsFirstRow) {
  OpenWithF4();
  Key(Qt::Key_End);
  Key(Qt::Key_Escape);
  ASSERT_TRUE(WaitHidden());
  OpenWithF4();
  EXPECT_EQ(w.List()->TopRow(), 0);
  EXPECT_EQ(w.box->Model().HighlightedRow(), 2);
}

TEST_F(ColorComboBoxTest, ReleaseOverTheListAcceptsTheRowUnderThePointer) {
  OpenWithF4();
  const QPoint row4 = w.RowCentre(4);
  QTest::mouseClick(w.List()->viewport(), Qt::LeftButton, {}, row4);
  ASSERT_TRUE(WaitHidden());
  EXPECT_EQ(w.box->ColorValue(), Named("clNavy"));
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 1);
}

TEST_F(ColorComboBoxTest, HotTrackingIgnoresTheFirstMoveWhenOpenedUnderThePointer) {
  // The list will open below the box; the pointer already waits there.
  const QPoint under = w.box->mapToGlobal(QPoint(40, w.box->height() + 3 * 16 + 8));
  QCursor::setPos(under);
  QApplication::processEvents();
  OpenWithF4();
  QTest::mouseMove(w.List()->viewport(), w.RowCentre(5));
  EXPECT_EQ(w.box->Model().HighlightedRow(), 2);
  QTest::mouseMove(w.List()->viewport(), w.RowCentre(6));
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.box->Model().HighlightedRow() == 6; }));
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u) << "hot tracking does not change the value";
}

TEST_F(ColorComboBoxTest, HotTrackingFollowsEveryMoveWhenOpenedElsewhere) {
  OpenWithF4();
  QTest::mouseMove(w.List()->viewport(), w.RowCentre(5));
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.box->Model().HighlightedRow() == 5; }));
}

TEST_F(ColorComboBoxTest, WheelOverTheOpenListScrollsIt) {
  OpenWithF4();
  const QPoint pos = w.RowCentre(3);
  QWheelEvent wheel(pos, w.List()->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w.List()->viewport(), &wheel);
  EXPECT_GT(w.List()->TopRow(), 0);
  EXPECT_EQ(w.box->Model().HighlightedRow(), 2);
  EXPECT_TRUE(w.box->DroppedDown());
}

TEST_F(ColorComboBoxTest, TypedCharactersGoToTheHandlerAndChangeNothing) {
  QTest::keyClicks(w.box, QStringLiteral("clRed 1"));
  QTest::qWait(20);
  EXPECT_EQ(w.typed, U"clRed 1");
  EXPECT_FALSE(w.PopupShown());
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
  EXPECT_FALSE(w.box->Model().Modified());

  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("红"));
  QApplication::sendEvent(w.box, &composed);
  EXPECT_EQ(w.typed.back(), U'红');
  EXPECT_FALSE(w.PopupShown());
}

TEST_F(ColorComboBoxTest, KeysActBeforeTheHandlerSeesTheirCharacter) {
  Key(Qt::Key_Down);
  EXPECT_EQ(w.box->ColorValue(), Named("clOlive"));
  Key(Qt::Key_Escape);
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
  EXPECT_EQ(w.typed, U"\x1b");
}

TEST_F(ColorComboBoxTest, WithoutAHandlerTypingSearchesTheOpenList) {
  w.box->SetOnKeyPress(nullptr);
  QTest::keyClicks(w.box, QStringLiteral("clr"));
  ASSERT_TRUE(WaitShown());
  EXPECT_EQ(w.box->Model().RowText(w.box->Model().HighlightedRow()), "clRed");
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
}

struct ClosedKeyCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* shown;
};

class ClosedKeyTest : public ColorComboBoxTest,
                      public ::testing::WithParamInterface<ClosedKeyCase> {};

TEST_P(ClosedKeyTest, StepsWithoutOpening) {
  Key(GetParam().key, GetParam().modifiers);
  EXPECT_EQ(ShownText(), GetParam().shown);
  EXPECT_FALSE(w.PopupShown());
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ClosedKeyTest,
    ::testing::Values(
        ClosedKeyCase{"Down", Qt::Key_Down, Qt::NoModifier, "clOlive"},
        ClosedKeyCase{"PageUp", Qt::Key_PageUp, Qt::NoModifier, "clBlack"},
        ClosedKeyCase{"End", Qt::Key_End, Qt::NoModifier, "clWindowText"},
        ClosedKeyCase{"CtrlPageDown", Qt::Key_PageDown, Qt::ControlModifier, "clWindowText"},
        ClosedKeyCase{"Left", Qt::Key_Left, Qt::NoModifier, "clGreen"},
        ClosedKeyCase{"Enter", Qt::Key_Return, Qt::NoModifier, "clGreen"},
        ClosedKeyCase{"Delete", Qt::Key_Delete, Qt::NoModifier, "Color not selected"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ColorComboBoxTest, WheelStepsOneRowPerNotchWhileFocused) {
  const auto turn = [&](int delta) {
    const QPoint pos = w.box->rect().center();
    QWheelEvent wheel(pos, w.box->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.box, &wheel);
  };
  turn(-120);  // towards the user: down
  EXPECT_EQ(ShownText(), "clOlive");
  turn(240);
  EXPECT_EQ(ShownText(), "clMaroon");
  turn(60);
  EXPECT_EQ(ShownText(), "clMaroon") << "half a notch waits for the other half";
  turn(60);
  EXPECT_EQ(ShownText(), "clBlack");

  w.after->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.after->hasFocus(); }));
  turn(-120);
  EXPECT_EQ(ShownText(), "clBlack") << "without the focus the wheel is not the box's";
}

TEST_F(ColorComboBoxTest, EscapeRestoresTheFocusValueAfterAnAcceptedColour) {
  OpenWithF4();
  Key(Qt::Key_Down);
  Key(Qt::Key_Return);
  ASSERT_TRUE(WaitHidden());
  EXPECT_EQ(ShownText(), "clOlive");
  Key(Qt::Key_Escape);
  EXPECT_EQ(ShownText(), "clGreen");
  EXPECT_EQ(w.box->Model().RowText(0), "clOlive") << "the recent block keeps it";
}

TEST_F(ColorComboBoxTest, TabMovesTheFocusOnAndClosesAnOpenList) {
  Key(Qt::Key_Tab);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.after->hasFocus(); }));
  w.box->setFocus(Qt::BacktabFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.box->hasFocus(); }));

  OpenWithF4();
  Key(Qt::Key_Down);
  Key(Qt::Key_Tab);
  ASSERT_TRUE(WaitHidden());
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.after->hasFocus(); }));
  EXPECT_EQ(w.box->ColorValue(), 0x00008000u);
  EXPECT_EQ(w.box->Model().MRUColors().Count(), 0);
}

TEST_F(ColorComboBoxTest, AnEmptyValueOpensWithNoRowHighlighted) {
  Key(Qt::Key_Delete);
  EXPECT_EQ(w.box->ColorValue(), kClWindow);
  OpenWithF4();
  EXPECT_EQ(w.box->Model().HighlightedRow(), -1);
  const QImage image = w.List()->viewport()->grab().toImage();
  for (int y = 0; y < 128; ++y) ASSERT_NE(At(image, 0, y), Drawn(kClHighlight)) << y;
  Key(Qt::Key_Escape);
  ASSERT_TRUE(WaitHidden());
  Key(Qt::Key_Down);
  EXPECT_EQ(ShownText(), "clBlack");
}

}  // namespace
}  // namespace t2j
