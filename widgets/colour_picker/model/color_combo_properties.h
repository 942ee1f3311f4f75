// The settings of the colour box. The defaults are the settings of the program's text-colour box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/color.h"
#include "widgets/colour_picker/model/color_combo_enums.h"

namespace t2j {

constexpr ColorValue kColorComboDefaultColor = 0xFF000005u;  // system colour 5, window
constexpr const char* kColorComboDefaultDescription = "Color not selected";
constexpr int kColorComboBoxWidth = 30;
constexpr ColorValue kColorComboFrameColor = 0xFF000010u;  // system colour 16, button shadow
constexpr uint8_t kColorComboMaxMRUColors = 10;
constexpr int kColorComboDropDownRows = 8;

class ColorComboModel;

// Every setter tells the owning model, which then brings its rows and shown state into line.
class TcxColorComboBoxProperties {
 public:
  TcxColorComboBoxProperties() = default;
  TcxColorComboBoxProperties(const TcxColorComboBoxProperties&) = delete;
  TcxColorComboBoxProperties& operator=(const TcxColorComboBoxProperties&) = delete;

  TcxColorPrepareList PrepareList() const { return prepare_list_; }
  void SetPrepareList(TcxColorPrepareList value) { Assign(prepare_list_, value); }

  // Assigning the text (even the same one) prepares the colour list from PrepareList's table.
  const std::string& PrepareInfo() const { return prepare_info_; }
  void SetPrepareInfo(std::string value) {
    prepare_info_ = std::move(value);
    if (on_changed_) on_changed_(Change::kPrepareInfo);
  }

  TcxColorNamingConvention NamingConvention() const { return naming_convention_; }
  void SetNamingConvention(TcxColorNamingConvention value) { Assign(naming_convention_, value); }

  TcxColorValueFormat ColorValueFormat() const { return color_value_format_; }
  void SetColorValueFormat(TcxColorValueFormat value) { Assign(color_value_format_, value); }

  bool ShowDescriptions() const { return show_descriptions_; }
  void SetShowDescriptions(bool value) { Assign(show_descriptions_, value); }

  // Shown colour, and RowColor of "no row", while the value is empty.
  ColorValue DefaultColor() const { return default_color_; }
  void SetDefaultColor(ColorValue value) { Assign(default_color_, value); }

  const std::string& DefaultDescription() const { return default_description_; }
  void SetDefaultDescription(std::string value) { Assign(default_description_, std::move(value)); }

  TcxDefaultColorStyle DefaultColorStyle() const { return default_color_style_; }
  void SetDefaultColorStyle(TcxDefaultColorStyle value) { Assign(default_color_style_, value); }

  TcxColorComboStyle ColorComboStyle() const { return color_combo_style_; }
  void SetColorComboStyle(TcxColorComboStyle value) { Assign(color_combo_style_, value); }

  // Swatch width in pixels; a negative width is stored as 0.
  int ColorBoxWidth() const { return color_box_width_; }
  void SetColorBoxWidth(int value) { Assign(color_box_width_, value < 0 ? 0 : value); }

  TcxColorBoxAlign ColorBoxAlign() const { return color_box_align_; }
  void SetColorBoxAlign(TcxColorBoxAlign value) { Assign(color_box_align_, value); }

  ColorValue ColorBoxFrameColor() const { return color_box_frame_color_; }
  void SetColorBoxFrameColor(ColorValue value) { Assign(color_box_frame_color_, value); }

  // Capacity of the recent colours; 0 switches recording off. Lowering it deletes recent colours
  // from the end at once.
  uint8_t MaxMRUColors() const { return max_mru_colors_; }
  void SetMaxMRUColors(uint8_t value) { Assign(max_mru_colors_, value, Change::kMaxMRUColors); }

  bool AllowSelectColor() const { return allow_select_color_; }
  void SetAllowSelectColor(bool value) { Assign(allow_select_color_, value); }

  TcxColorDialogType ColorDialogType() const { return color_dialog_type_; }
  void SetColorDialogType(TcxColorDialogType value) { Assign(color_dialog_type_, value); }

  TcxEditDropDownListStyle DropDownListStyle() const { return drop_down_list_style_; }
  void SetDropDownListStyle(TcxEditDropDownListStyle value) {
    Assign(drop_down_list_style_, value);
  }

  // Rows visible in the open list; one less is the page of PageUp and PageDown.
  int DropDownRows() const { return drop_down_rows_; }
  void SetDropDownRows(int value) { Assign(drop_down_rows_, value); }

  // Fixed row height in pixels when above 0.
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int value) { Assign(item_height_, value); }

 private:
  friend class ColorComboModel;

  enum class Change { kSetting, kMaxMRUColors, kPrepareInfo };

  template <typename T, typename U>
  void Assign(T& field, U&& value, Change change = Change::kSetting) {
    if (field == value) return;
    field = std::forward<U>(value);
    if (on_changed_) on_changed_(change);
  }

  TcxColorPrepareList prepare_list_ = cxplTavik;
  std::string prepare_info_;
  TcxColorNamingConvention naming_convention_ = cxncTavik;
  TcxColorValueFormat color_value_format_ = cxcvRGB;
  bool show_descriptions_ = true;
  ColorValue default_color_ = kColorComboDefaultColor;
  std::string default_description_ = kColorComboDefaultDescription;
  TcxDefaultColorStyle default_color_style_ = cxdcColor;
  TcxColorComboStyle color_combo_style_ = cxccsComboEdit;
  int color_box_width_ = kColorComboBoxWidth;
  TcxColorBoxAlign color_box_align_ = cbaLeft;
  ColorValue color_box_frame_color_ = kColorComboFrameColor;
  uint8_t max_mru_colors_ = kColorComboMaxMRUColors;
  bool allow_select_color_ = false;
  TcxColorDialogType color_dialog_type_ = cxcdtDefault;
  TcxEditDropDownListStyle drop_down_list_style_ = lsFixedList;
  int drop_down_rows_ = kColorComboDropDownRows;
  int item_height_ = 0;

  // Set by the owning model: called after a setting changed and after every assignment of
  // PrepareInfo.
  std::function<void(Change)> on_changed_;
};

}  // namespace t2j
