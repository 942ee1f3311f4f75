#include "widgets/colour_picker/model/color_combo_items.h"

#include <gtest/gtest.h>

#include <vector>

namespace t2j {
namespace {

std::vector<ColorValue> Colors(const TcxColorComboBoxItems& items) {
  std::vector<ColorValue> colors;
  for (const TcxColorComboBoxItem& item : items) colors.push_back(item.Color);
  return colors;
}

TcxColorComboBoxItems Abcd() {
  TcxColorComboBoxItems items;
  for (ColorValue c : {0xA, 0xB, 0xC, 0xD}) items.Add(c, "");
  return items;
}

TEST(ColorComboItems, AddAndInsertRefuseAColourAlreadyListed) {
  TcxColorComboBoxItems items = Abcd();
  EXPECT_EQ(items.Add(0xC, "again"), nullptr);
  EXPECT_EQ(items.Insert(0, 0xD, "again"), nullptr);
  EXPECT_EQ(Colors(items), (std::vector<ColorValue>{0xA, 0xB, 0xC, 0xD}));

  TcxColorComboBoxItem* front = items.Insert(0, 0xE, "new");
  ASSERT_NE(front, nullptr);
  EXPECT_EQ(front->Description, "new");
  EXPECT_FALSE(front->Persisted);
  EXPECT_EQ(items.IndexOf(0xE), 0);
  EXPECT_EQ(items.IndexOf(0xA), 1);
  EXPECT_EQ(items.IndexOf(0xF), -1);
}

TEST(ColorComboItems, PositionsOutsideTheListDoNothing) {
  TcxColorComboBoxItems items = Abcd();
  EXPECT_EQ(items.Insert(5, 0xE, ""), nullptr);
  EXPECT_EQ(items.Insert(-1, 0xE, ""), nullptr);
  EXPECT_NE(items.Insert(4, 0xE, ""), nullptr);
  EXPECT_FALSE(items.Delete(5));
  EXPECT_FALSE(items.Delete(-1));
  EXPECT_FALSE(items.Move(0, 5));
  EXPECT_EQ(items.At(5), nullptr);
  EXPECT_EQ(items.Count(), 5);
}

TEST(ColorComboItems, MoveShiftsTheEntriesBetween) {
  TcxColorComboBoxItems forward = Abcd();
  EXPECT_TRUE(forward.Move(0, 2));
  EXPECT_EQ(Colors(forward), (std::vector<ColorValue>{0xB, 0xC, 0xA, 0xD}));

  TcxColorComboBoxItems backward = Abcd();
  EXPECT_TRUE(backward.Move(3, 1));
  EXPECT_EQ(Colors(backward), (std::vector<ColorValue>{0xA, 0xD, 0xB, 0xC}));

  EXPECT_TRUE(backward.Delete(0));
  EXPECT_EQ(Colors(backward), (std::vector<ColorValue>{0xD, 0xB, 0xC}));
}

}  // namespace
}  // namespace t2j
