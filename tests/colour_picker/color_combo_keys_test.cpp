#include <gtest/gtest.h>

#include <climits>

#include "tests/colour_picker/color_combo_test_support.h"
#include "widgets/colour_picker/model/color_combo_model.h"

namespace t2j {
namespace {

using testing_support::AcceptListed;
using testing_support::AcceptRow;
using testing_support::Named;
using testing_support::RecentColors;
using testing_support::StartedBox;
using Key = ColorComboKey;

struct NavigateCase {
  const char* test_name;
  Key key;
  int from;
  int rows;
  int expected;
};

class NavigateRowTest : public testing::TestWithParam<NavigateCase> {};

TEST_P(NavigateRowTest, StaysWithinTheRows) {
  const NavigateCase& c = GetParam();
  EXPECT_EQ(NavigateRow(c.key, c.from, c.rows, 7), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, NavigateRowTest,
    testing::Values(NavigateCase{"DownFromNone", Key::kDown, -1, 52, 0},
                    NavigateCase{"Down", Key::kDown, 2, 52, 3},
                    NavigateCase{"DownAtLast", Key::kDown, 51, 52, 51},
                    NavigateCase{"UpFromNone", Key::kUp, -1, 52, -1},
                    NavigateCase{"UpAtFirst", Key::kUp, 0, 52, 0},
                    NavigateCase{"Up", Key::kUp, 2, 52, 1},
                    NavigateCase{"PageDownFromNone", Key::kPageDown, -1, 52, 7},
                    NavigateCase{"PageDown", Key::kPageDown, 2, 52, 9},
                    NavigateCase{"PageDownClampsToLast", Key::kPageDown, 47, 52, 51},
                    NavigateCase{"PageDownFromNoneFewRows", Key::kPageDown, -1, 3, 2},
                    NavigateCase{"PageUpFromNone", Key::kPageUp, -1, 52, -1},
                    NavigateCase{"PageUpClampsToFirst", Key::kPageUp, 5, 52, 0},
                    NavigateCase{"PageUp", Key::kPageUp, 20, 52, 13},
                    NavigateCase{"Home", Key::kHome, 30, 52, 0},
                    NavigateCase{"HomeFromNone", Key::kHome, -1, 52, 0},
                    NavigateCase{"CtrlPageUp", Key::kCtrlPageUp, 30, 52, 0},
                    NavigateCase{"End", Key::kEnd, -1, 52, 51},
                    NavigateCase{"CtrlPageDown", Key::kCtrlPageDown, 3, 52, 51},
                    NavigateCase{"NoRows", Key::kDown, -1, 0, -1},
                    NavigateCase{"LeftDoesNotMove", Key::kLeft, 4, 52, 4}),
    [](const auto& info) { return std::string(info.param.test_name); });

TEST(ColorComboKeys, StepSetsTheValueAtOnceWithoutRecording) {
  auto box = StartedBox();
  EXPECT_EQ(box->HandleKey(Key::kDown), KeyOutcome::kHandled);
  EXPECT_EQ(box->Value(), Named("clOlive"));
  EXPECT_EQ(box->CurrentRow(), 3);
  EXPECT_FALSE(box->IsListOpen());
  EXPECT_TRUE(box->MRUColors().Empty());
  EXPECT_TRUE(box->Modified());
}

TEST(ColorComboKeys, EdgesDoNothing) {
  auto box = StartedBox();
  box->HandleKey(Key::kHome);
  EXPECT_FALSE(box->Step(Key::kUp));
  EXPECT_EQ(box->Value(), Named("clBlack"));
  box->HandleKey(Key::kEnd);
  EXPECT_FALSE(box->Step(Key::kDown));
  EXPECT_FALSE(box->Step(Key::kPageDown));
  EXPECT_EQ(box->Value(), Named("clWindowText"));
  EXPECT_FALSE(box->Step(Key::kLeft));
}

TEST(ColorComboKeys, FromAnEmptyValue) {
  auto box = StartedBox();
  box->HandleKey(Key::kDelete);
  EXPECT_FALSE(box->Step(Key::kUp));
  EXPECT_FALSE(box->Step(Key::kPageUp));
  EXPECT_EQ(box->Value(), std::nullopt);
  EXPECT_TRUE(box->Step(Key::kPageDown));
  EXPECT_EQ(box->CurrentRow(), 7);
  EXPECT_EQ(box->ShownState().text, "clGray");

  AcceptListed(*box, "clRed");
  box->ClearValue();
  EXPECT_TRUE(box->Step(Key::kDown));
  EXPECT_EQ(box->CurrentRow(), 0);
  EXPECT_EQ(box->Value(), Named("clRed"));
}

TEST(ColorComboKeys, StepOntoARecentColourContinuesFromTheRecentRow) {
  auto box = StartedBox();
  AcceptListed(*box, "clRed");
  box->SetColorValue(Named("clSilver"));
  ASSERT_EQ(box->CurrentRow(), 9);
  box->Step(Key::kDown);
  EXPECT_EQ(box->Value(), Named("clRed"));
  EXPECT_EQ(box->CurrentRow(), 0);
  box->Step(Key::kDown);
  EXPECT_EQ(box->CurrentRow(), 1);
  EXPECT_EQ(box->ShownState().text, "clBlack");
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{Named("clRed")}));
}

TEST(ColorComboKeys, WheelStepsLikeUpAndDown) {
  auto box = StartedBox();
  EXPECT_TRUE(box->Wheel(1));
  EXPECT_EQ(box->CurrentRow(), 1);
  EXPECT_TRUE(box->Wheel(-3));
  EXPECT_EQ(box->CurrentRow(), 4);
  EXPECT_TRUE(box->Wheel(INT_MIN));
  EXPECT_EQ(box->CurrentRow(), 51);
  EXPECT_FALSE(box->Wheel(0));
  box->OpenList();
  EXPECT_FALSE(box->Wheel(1));
  EXPECT_EQ(box->Value(), Named("clWindowText"));
}

TEST(ColorComboKeys, EscapeBringsBackTheFocusValue) {
  auto box = StartedBox();
  box->FocusIn();
  EXPECT_EQ(box->HandleKey(Key::kEscape), KeyOutcome::kIgnored);
  box->HandleKey(Key::kDown);
  box->HandleKey(Key::kDown);
  EXPECT_EQ(box->HandleKey(Key::kEscape), KeyOutcome::kHandled);
  EXPECT_EQ(box->Value(), 0x00008000u);
  EXPECT_EQ(box->CurrentRow(), 2);
  EXPECT_FALSE(box->Modified());
  EXPECT_EQ(box->HandleKey(Key::kEscape), KeyOutcome::kIgnored);
}

TEST(ColorComboKeys, EscapeUndoesAnAcceptedColourButKeepsItRecent) {
  auto box = StartedBox();
  box->FocusIn();
  AcceptListed(*box, "clRed");
  EXPECT_TRUE(box->Modified());
  box->HandleKey(Key::kEscape);
  EXPECT_EQ(box->Value(), 0x00008000u);
  EXPECT_EQ(box->CurrentRow(), 3);
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{Named("clRed")}));
}

TEST(ColorComboKeys, EscapeRestoresAnEmptyFocusValue) {
  auto box = StartedBox();
  box->ClearValue();
  box->FocusIn();
  box->Step(Key::kDown);
  box->RevertToFocusValue();
  EXPECT_EQ(box->Value(), std::nullopt);
  EXPECT_EQ(box->ShownState().text, "Color not selected");
}

TEST(ColorComboKeys, ProgramWritesAreNotUndone) {
  auto box = StartedBox();
  box->FocusIn();
  box->SetColorValue(Named("clRed"));
  EXPECT_FALSE(box->Modified());
  EXPECT_FALSE(box->RevertToFocusValue());
  EXPECT_EQ(box->Value(), Named("clRed"));
}

TEST(ColorComboList, OpensOnTheValueAndMovesOnlyTheHighlight) {
  auto box = StartedBox();
  AcceptListed(*box, "clRed");
  box->SetColorValue(Named("clGreen"));
  box->FocusIn();
  EXPECT_EQ(box->HandleKey(Key::kF4), KeyOutcome::kListOpened);
  EXPECT_EQ(box->HighlightedRow(), 3);
  box->HandleKey(Key::kDown);
  box->HandleKey(Key::kPageDown);
  EXPECT_EQ(box->HighlightedRow(), 11);
  EXPECT_EQ(box->Value(), Named("clGreen"));
  EXPECT_EQ(box->CurrentRow(), 3);

  EXPECT_EQ(box->HandleKey(Key::kEscape), KeyOutcome::kListClosed);
  EXPECT_FALSE(box->IsListOpen());
  EXPECT_EQ(box->Value(), Named("clGreen"));
  EXPECT_EQ(box->CurrentRow(), 3);
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{Named("clRed")}));
  EXPECT_FALSE(box->Modified());
}

TEST(ColorComboList, EnterAcceptsTheHighlightedRow) {
  auto box = StartedBox();
  box->HandleKey(Key::kAltDown);
  box->HandleKey(Key::kUp);
  EXPECT_EQ(box->HandleKey(Key::kEnter), KeyOutcome::kListClosed);
  EXPECT_EQ(box->Value(), Named("clMaroon"));
  EXPECT_EQ(box->CurrentRow(), 0);
  EXPECT_EQ(box->LastRecentRow(), 0);

  box->HandleKey(Key::kAltUp);
  EXPECT_EQ(box->HighlightedRow(), 0);
  EXPECT_EQ(box->HandleKey(Key::kAltUp), KeyOutcome::kListClosed);
  EXPECT_EQ(box->MRUColors().Count(), 1);
}

TEST(ColorComboList, EmptyValueHighlightsNothingThenDownTakesTheFirstRow) {
  auto box = StartedBox();
  box->ClearValue();
  box->OpenList();
  EXPECT_EQ(box->HighlightedRow(), -1);
  EXPECT_FALSE(box->MoveHighlight(Key::kUp));
  EXPECT_TRUE(box->MoveHighlight(Key::kDown));
  EXPECT_EQ(box->HighlightedRow(), 0);
}

TEST(ColorComboList, IgnoresTheFirstPointerMoveWhenOpenedUnderThePointer) {
  auto box = StartedBox();
  box->OpenList(/*pointer_over_list=*/true);
  EXPECT_FALSE(box->HotTrack(5));
  EXPECT_EQ(box->HighlightedRow(), 2);
  EXPECT_TRUE(box->HotTrack(5));
  EXPECT_EQ(box->HighlightedRow(), 5);
  EXPECT_FALSE(box->HotTrack(52));
  EXPECT_EQ(box->HighlightedRow(), 5);
  box->CancelList();

  box->OpenList();
  EXPECT_TRUE(box->HotTrack(6));
}

}  // namespace
}  // namespace t2j
