// A colour box as the main window makes it, and the user's ways of choosing from its list.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "widgets/colour_picker/model/color_combo_model.h"
#include "widgets/colour_picker/model/color_names.h"

namespace t2j::testing_support {

inline ColorValue Named(std::string_view name) {
  std::optional<ColorValue> value = FindColorByName(name);
  EXPECT_TRUE(value.has_value()) << name;
  return value.value_or(0);
}

// Prepared from the stored description, then set to green as at start-up.
inline std::unique_ptr<ColorComboModel> StartedBox() {
  auto box = std::make_unique<ColorComboModel>();
  box->Properties().SetPrepareInfo("");
  box->SetColorValue(0x00008000);
  return box;
}

// Opens the list, highlights `row` (-1 for none) and accepts it.
inline void AcceptRow(ColorComboModel& box, int row) {
  ASSERT_TRUE(box.OpenList());
  box.SetHighlightedRow(row);
  ASSERT_TRUE(box.AcceptList());
}

// Accepts the colour-list row (not the recent one) of a named colour.
inline void AcceptListed(ColorComboModel& box, std::string_view name) {
  AcceptRow(box, box.MRUColors().Count() + box.Items().IndexOf(Named(name)));
}

inline std::vector<ColorValue> RecentColors(const ColorComboModel& box) {
  std::vector<ColorValue> colors;
  for (const TcxColorComboBoxItem& item : box.MRUColors()) colors.push_back(item.Color);
  return colors;
}

}  // namespace t2j::testing_support
