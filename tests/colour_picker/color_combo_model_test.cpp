#include "widgets/colour_picker/model/color_combo_model.h"

#include <gtest/gtest.h>

#include "tests/colour_picker/color_combo_test_support.h"

namespace t2j {
namespace {

using testing_support::AcceptListed;
using testing_support::AcceptRow;
using testing_support::Named;
using testing_support::RecentColors;
using testing_support::StartedBox;

TEST(ColorComboModel, StartsOnGreenWithTheFullList) {
  auto box = StartedBox();
  EXPECT_EQ(box->CurrentRow(), 2);
  EXPECT_EQ(box->ShownState(), (ColorComboShownState{0x00008000, "clGreen", true}));
  EXPECT_EQ(box->GetColorValue(), 0x00008000u);
  EXPECT_EQ(box->RowCount(), 52);
  EXPECT_EQ(box->RowText(0), "clBlack");
  EXPECT_EQ(box->RowText(51), "clWindowText");
  EXPECT_EQ(box->LastRecentRow(), -1);
  for (const TcxColorComboBoxItem& item : box->Items()) EXPECT_FALSE(item.Persisted);
}

TEST(ColorComboModel, CreatedBoxIsEmptyUntilPrepared) {
  ColorComboModel box;
  EXPECT_EQ(box.RowCount(), 0);
  EXPECT_EQ(box.ShownState(), (ColorComboShownState{0xFF000005, "Color not selected", false}));
  // Names come from the naming table, whatever the list holds.
  box.SetColorValue(0x00008000);
  EXPECT_EQ(box.ShownState(), (ColorComboShownState{0x00008000, "clGreen", false}));
  box.Properties().SetPrepareInfo("");
  EXPECT_EQ(box.CurrentRow(), 2);
  EXPECT_TRUE(box.ShownState().in_list);
}

TEST(ColorComboModel, PreparingAgainAddsNoDuplicates) {
  auto box = StartedBox();
  box->Properties().SetPrepareList(cxplHTML4);
  box->Properties().SetPrepareInfo("");
  EXPECT_EQ(box->RowCount(), 52);
  box->Properties().SetPrepareList(cxplX11);
  box->PrepareColorList();
  // The X11 colours that are not basic colours of the program's list follow its 52 entries.
  EXPECT_EQ(box->Items().At(51)->Description, "clWindowText");
  EXPECT_EQ(box->Items().At(52)->Description, "AliceBlue");
}

TEST(ColorComboModel, ValueOutsideTheListIsShownAsItself) {
  auto box = StartedBox();
  box->SetColorValue(0x00123456);
  EXPECT_EQ(box->ShownState(), (ColorComboShownState{0x00123456, "86.52.18", false}));
  EXPECT_EQ(box->CurrentRow(), -1);
  EXPECT_EQ(box->GetColorValue(), 0x00123456u);

  box->Properties().SetColorComboStyle(cxccsComboList);
  EXPECT_EQ(box->ShownState(), (ColorComboShownState{0xFF000005, "Color not selected", false}));
  EXPECT_EQ(box->GetColorValue(), 0xFF000005u);
  EXPECT_EQ(box->Value(), 0x00123456u);
}

TEST(ColorComboModel, WritingTheShownColourDoesNothing) {
  auto box = StartedBox();
  box->ClearValue();
  int changes = 0;
  box->SetOnValueChanged([&] { ++changes; });
  box->SetColorValue(0xFF000005);
  EXPECT_EQ(box->Value(), std::nullopt);
  EXPECT_EQ(box->ShownState().text, "Color not selected");
  EXPECT_EQ(changes, 0);
  box->SetColorValue(0x000000FF);
  box->SetColorValue(0x000000FF);
  EXPECT_EQ(changes, 1);
}

TEST(ColorComboModel, ClearValueShowsNoColourAndKeepsRecentColours) {
  auto box = StartedBox();
  AcceptListed(*box, "clRed");
  box->FocusIn();
  box->ClearValue();
  EXPECT_EQ(box->Value(), std::nullopt);
  EXPECT_EQ(box->ShownState(), (ColorComboShownState{0xFF000005, "Color not selected", false}));
  EXPECT_EQ(box->GetColorValue(), 0xFF000005u);
  EXPECT_TRUE(box->Modified());
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{0x000000FF}));
}

TEST(ColorComboModel, AcceptingARedHeadsTheListOnce) {
  auto box = StartedBox();
  AcceptListed(*box, "clRed");
  EXPECT_EQ(box->Value(), 0x000000FFu);
  EXPECT_EQ(box->RowCount(), 53);
  EXPECT_EQ(box->RowText(0), "clRed");
  EXPECT_EQ(box->RowText(1), "clBlack");
  EXPECT_EQ(box->CurrentRow(), 0);
  EXPECT_EQ(box->LastRecentRow(), 0);

  AcceptRow(*box, 0);
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{0x000000FF}));
  AcceptListed(*box, "clRed");
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{0x000000FF}));
  EXPECT_EQ(box->CurrentRow(), 0);
}

TEST(ColorComboModel, KeepsTheTenNewestColours) {
  auto box = StartedBox();
  std::vector<ColorValue> deleted;
  int added = 0;
  box->SetOnDeletedMRUColor([&](ColorValue c) { deleted.push_back(c); });
  box->SetOnAddedMRUColor([&](ColorValue) { ++added; });
  for (int i = 0; i < 11; ++i) AcceptRow(*box, box->MRUColors().Count() + i);
  ASSERT_EQ(box->MRUColors().Count(), 10);
  EXPECT_EQ(box->MRUColors().At(0)->Color, ClColorNames[10].value);
  EXPECT_EQ(box->MRUColors().At(9)->Color, ClColorNames[1].value);
  EXPECT_EQ(box->MRUColors().IndexOf(ClColorNames[0].value), -1);
  EXPECT_EQ(box->Value(), ClColorNames[10].value);
  EXPECT_EQ(box->CurrentRow(), 0);
  EXPECT_EQ(added, 11);
  EXPECT_EQ(deleted, (std::vector<ColorValue>{ClColorNames[0].value}));
}

// Recent block D C B A (rows 0-3); accepting one of them again moves it to the top, and the
// value and the current row stay with the accepted colour.
struct ReacceptCase {
  const char* test_name;
  int row;
  std::vector<ColorValue> recent_after;
};

class ReacceptTest : public testing::TestWithParam<ReacceptCase> {};

TEST_P(ReacceptTest, MovesTheColourUp) {
  auto box = StartedBox();
  for (const char* name : {"clRed", "clLime", "clBlue", "clYellow"}) AcceptListed(*box, name);
  const ColorValue accepted = box->RowColor(GetParam().row);
  AcceptRow(*box, GetParam().row);
  EXPECT_EQ(RecentColors(*box), GetParam().recent_after);
  EXPECT_EQ(box->Value(), accepted);
  EXPECT_EQ(box->CurrentRow(), 0);
  EXPECT_EQ(box->ShownState().color, accepted);
}

constexpr ColorValue kRed = 0x000000FF, kLime = 0x0000FF00, kBlue = 0x00FF0000,
                     kYellow = 0x0000FFFF;

INSTANTIATE_TEST_SUITE_P(
    RecentRows, ReacceptTest,
    testing::Values(ReacceptCase{"Top", 0, {kYellow, kBlue, kLime, kRed}},
                    ReacceptCase{"Second", 1, {kBlue, kYellow, kLime, kRed}},
                    ReacceptCase{"Third", 2, {kLime, kYellow, kBlue, kRed}},
                    ReacceptCase{"Last", 3, {kRed, kYellow, kBlue, kLime}},
                    ReacceptCase{"SecondFromColourList", 4 + 12, {kBlue, kYellow, kLime, kRed}}),
    [](const auto& info) { return std::string(info.param.test_name); });

struct NamedChoice {
  const char* name;
  ColorValue value;
};

class NamedChoiceTest : public testing::TestWithParam<NamedChoice> {};

TEST_P(NamedChoiceTest, KeepsItsNameAndUnresolvedValue) {
  auto box = StartedBox();
  AcceptListed(*box, GetParam().name);
  EXPECT_EQ(box->ShownState(), (ColorComboShownState{GetParam().value, GetParam().name, true}));
  EXPECT_EQ(box->GetColorValue(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(SystemAndMarkers, NamedChoiceTest,
                         testing::Values(NamedChoice{"clBtnFace", 0xFF00000F},
                                         NamedChoice{"clWindow", 0xFF000005},
                                         NamedChoice{"clNone", 0x1FFFFFFF},
                                         NamedChoice{"clDefault", 0x20000000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ColorComboModel, AcceptingWithoutARowRecordsTheDefaultColour) {
  auto box = StartedBox();
  box->ClearValue();
  ASSERT_TRUE(box->OpenList());
  EXPECT_EQ(box->HighlightedRow(), -1);
  ASSERT_TRUE(box->AcceptList());
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{0xFF000005}));
  EXPECT_EQ(box->RowText(0), "clWindow");
  EXPECT_EQ(box->Value(), std::nullopt);
  EXPECT_EQ(box->CurrentRow(), -1);
  EXPECT_EQ(box->ShownState().text, "Color not selected");
}

TEST(ColorComboModel, LoweringMaxMRUColorsTrimsTheOldest) {
  auto box = StartedBox();
  for (const char* name : {"clRed", "clLime", "clBlue", "clYellow", "clAqua"}) {
    AcceptListed(*box, name);
  }
  box->SetColorValue(kRed);
  ASSERT_EQ(box->CurrentRow(), 4);
  std::vector<ColorValue> deleted;
  box->SetOnDeletedMRUColor([&](ColorValue c) { deleted.push_back(c); });

  box->Properties().SetMaxMRUColors(3);
  EXPECT_EQ(RecentColors(*box), (std::vector<ColorValue>{0x00FFFF00, kYellow, kBlue}));
  EXPECT_EQ(deleted, (std::vector<ColorValue>{kRed, kLime}));
  EXPECT_EQ(box->CurrentRow(), 3 + 9);  // red is now found in the colour list
  EXPECT_EQ(box->ShownState().text, "clRed");

  box->Properties().SetMaxMRUColors(10);
  EXPECT_EQ(box->MRUColors().Count(), 3);
  box->Properties().SetMaxMRUColors(0);
  EXPECT_EQ(box->MRUColors().Count(), 0);
  AcceptListed(*box, "clLime");
  EXPECT_EQ(box->MRUColors().Count(), 0);
  EXPECT_EQ(box->Value(), kLime);
}

TEST(ColorComboModel, SettingsReshapeTheShownState) {
  auto box = StartedBox();
  int repaints = 0;
  box->SetOnShownStateChanged([&] { ++repaints; });
  box->Properties().SetNamingConvention(cxncX11);
  EXPECT_EQ(box->ShownState().text, "Green");
  box->Properties().SetShowDescriptions(false);
  EXPECT_EQ(box->ShownState().text, "");
  EXPECT_EQ(box->RowText(0), "");
  EXPECT_EQ(box->RowText(-1), "");
  box->Properties().SetShowDescriptions(false);
  EXPECT_EQ(repaints, 2);

  box->Properties().SetColorBoxWidth(-5);
  EXPECT_EQ(box->Properties().ColorBoxWidth(), 0);
}

TEST(ColorComboModel, RowsOutsideTheListAreEmpty) {
  auto box = StartedBox();
  EXPECT_EQ(box->RowColor(-1), 0xFF000005u);
  EXPECT_EQ(box->RowColor(52), 0xFF000005u);
  EXPECT_EQ(box->RowText(-1), "Color not selected");
  EXPECT_EQ(box->RowText(52), "");
  EXPECT_EQ(box->RowEntry(-7), nullptr);
}

TEST(ColorComboModel, HooksSeeTheFinishedState) {
  auto box = StartedBox();
  int row_seen = -2;
  box->SetOnValueChanged([&] { row_seen = box->CurrentRow(); });
  AcceptListed(*box, "clRed");
  EXPECT_EQ(row_seen, 0);
}

}  // namespace
}  // namespace t2j
