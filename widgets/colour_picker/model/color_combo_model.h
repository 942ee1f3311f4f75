// The colour box without its drawing: colour list, recent colours, value, current row, shown
// state, keyboard stepping and the state of the open drop-down list. The widget draws what this
// model says and hands it the user's keys, wheel turns and list clicks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/color.h"
#include "widgets/colour_picker/model/color_combo_items.h"
#include "widgets/colour_picker/model/color_combo_properties.h"

namespace t2j {

// The keys that the colour box acts on. Every other key (Tab, characters) is not the model's.
enum class ColorComboKey {
  kUp,
  kDown,
  kPageUp,
  kPageDown,
  kHome,
  kEnd,
  kCtrlPageUp,
  kCtrlPageDown,
  kLeft,
  kRight,
  kDelete,
  kEnter,
  kEscape,
  kF4,
  kAltDown,
  kAltUp,
};

// What a key did, so that the widget can show or hide its list.
enum class KeyOutcome {
  kIgnored,     // not acted on; the widget may pass the key on
  kHandled,     // taken by the box (the value or the highlight may have changed)
  kListOpened,  // the list is now open
  kListClosed,  // the list was accepted or cancelled and is now closed
};

// The row that a navigation key (Up, Down, PageUp, PageDown, Home, End, Ctrl+PageUp,
// Ctrl+PageDown) leads to from row `from` (-1 for no row) among `row_count` rows, paging by
// `page` rows. Never wraps; gives `from` when the key does not move (Up at row 0, Down at the
// last row, any key without rows) and for keys that do not navigate.
int NavigateRow(ColorComboKey key, int from, int row_count, int page);

// What the closed box shows: the swatch colour (unresolved), the text and whether the value is a
// row of the list.
struct ColorComboShownState {
  ColorValue color = 0;
  std::string text;
  bool in_list = false;
  friend bool operator==(const ColorComboShownState&, const ColorComboShownState&) = default;
};

// Rows: row r is MRUColors[r] while r < MRUColors().Count(), then Items[r - that count]; row -1 is
// "no row". A search by colour finds the recent entry first. No operation fails.
class ColorComboModel {
 public:
  // Empty colour list, no recent colours, empty value. The colour list is filled by assigning
  // Properties().SetPrepareInfo(...) (or by PrepareColorList()).
  ColorComboModel();
  ColorComboModel(const ColorComboModel&) = delete;
  ColorComboModel& operator=(const ColorComboModel&) = delete;

  // Changing a setting brings the shown state up to date; assigning PrepareInfo runs
  // PrepareColorList; lowering MaxMRUColors trims MRUColors from the end.
  TcxColorComboBoxProperties& Properties() { return properties_; }
  const TcxColorComboBoxProperties& Properties() const { return properties_; }

  const TcxColorComboBoxItems& Items() const { return items_; }
  const TcxColorComboBoxItems& MRUColors() const { return mru_colors_; }

  // Appends the pairs of the PrepareList table to Items in table order, skipping colours already
  // listed; the entries get Persisted = false.
  void PrepareColorList();

  // --- Value and shown state ---

  // Empty, or the colour the box holds.
  std::optional<ColorValue> Value() const { return value_; }
  // The shown colour: DefaultColor for an empty value; a system colour as its value, unresolved.
  ColorValue GetColorValue() const { return ShownState().color; }
  // Does nothing when `value` equals the shown colour; otherwise the value becomes `value` and
  // the current row follows. Records nothing in MRUColors and does not count as a user change.
  void SetColorValue(ColorValue value);
  // The value becomes empty ("Color not selected") and the box counts as changed by the user.
  void ClearValue();

  // FindColorIndex of the value.
  int CurrentRow() const { return current_row_; }
  ColorComboShownState ShownState() const;

  // --- Rows ---

  int RowCount() const { return mru_colors_.Count() + items_.Count(); }
  // The row that ends the recent block (it carries the separator); -1 without recent colours.
  int LastRecentRow() const { return mru_colors_.Count() - 1; }
  // The entry of row r; nullptr for -1 and rows outside the list.
  const TcxColorComboBoxItem* RowEntry(int row) const;
  // -1 for an empty value; else the first recent row with the colour, then the first colour-list
  // row with it, else -1.
  int FindColorIndex(std::optional<ColorValue> value) const;
  // DefaultColor for -1 and rows outside the list.
  ColorValue RowColor(int row) const;
  // "" when ShowDescriptions is off or the row lies outside the list; DefaultDescription for -1;
  // else ColorText of the row's entry.
  std::string RowText(int row) const;

  // The name of a colour under the box's naming convention and value format.
  std::string ColorText(ColorValue color, std::string_view description) const;
  std::string FormatColorValue(ColorValue color) const;

  // Records an accepted colour: moves it to the top of MRUColors, or inserts it there when it
  // stands in Items (dropping the oldest beyond MaxMRUColors); a colour outside Items is not
  // recorded, nor anything while MaxMRUColors is 0. A current row at or after the last recent
  // row then moves to row 0 and the value follows it. The list's accept runs this itself.
  void AddMRUColor(ColorValue color);

  // --- The closed box: keyboard and wheel ---

  // A navigation key while the list is closed: steps from the current row and sets the value to
  // the new row's colour at once (a user change, nothing recorded in MRUColors). False when
  // nothing changed or the list is open.
  bool Step(ColorComboKey key);
  // Wheel turns while the list is closed: each notch away from the user (positive) acts as Up,
  // each towards the user (negative) as Down. False when nothing changed or the list is open.
  bool Wheel(int notches);

  // Remembers the value; what the user changes afterwards, Escape can undo.
  void FocusIn();
  // Whether the user changed the value since FocusIn.
  bool Modified() const { return modified_; }
  // Escape with the list closed: brings back the value of FocusIn when the user changed it since.
  // False when there was nothing to undo.
  bool RevertToFocusValue();

  // --- The open list ---

  bool IsListOpen() const { return list_open_; }
  // The highlighted row of the open list; -1 for none or when the list is closed.
  int HighlightedRow() const { return highlighted_row_; }
  // Opens the list with FindColorIndex of the value highlighted. With `pointer_over_list` the
  // first HotTrack afterwards is ignored. False when the list was already open.
  bool OpenList(bool pointer_over_list = false);
  // A navigation key while the list is open moves only the highlight.
  bool MoveHighlight(ColorComboKey key);
  // Highlights a row (or -1 for none); rows outside the list are refused.
  bool SetHighlightedRow(int row);
  // The pointer moved over `row` of the open list.
  bool HotTrack(int row);
  // Closes the list; the value becomes RowColor of the highlighted row (empty without one), then
  // AddMRUColor records the current row's colour. False when the list was closed.
  bool AcceptList();
  // Closes the list; nothing else changes. False when the list was closed.
  bool CancelList();

  // One key of the box, open or closed, by the rules of the box.
  KeyOutcome HandleKey(ColorComboKey key);

  // --- Notifications, called after the operation has finished ---

  void SetOnValueChanged(std::function<void()> hook) { on_value_changed_ = std::move(hook); }
  // The shown colour, text or in-list flag changed (the closed box needs repainting).
  void SetOnShownStateChanged(std::function<void()> hook) { on_shown_changed_ = std::move(hook); }
  void SetOnAddedMRUColor(std::function<void(ColorValue)> hook) {
    on_added_mru_color_ = std::move(hook);
  }
  void SetOnDeletedMRUColor(std::function<void(ColorValue)> hook) {
    on_deleted_mru_color_ = std::move(hook);
  }

 private:
  struct MruEvent {
    bool added = false;
    ColorValue color = 0;
  };

  // Runs an operation and then the notifications for what it changed.
  template <typename F>
  auto Notifying(F&& operation);
  void BeginChange();
  void EndChange();

  void SettingChanged(TcxColorComboBoxProperties::Change change);
  void PrepareColorListImpl();
  void SetValueImpl(std::optional<ColorValue> value);
  void AddMRUColorImpl(ColorValue color);
  void TrimMRUColors();
  bool StepImpl(ColorComboKey key);
  bool RevertImpl();
  bool AcceptListImpl();
  int PageRows() const;

  TcxColorComboBoxProperties properties_;
  TcxColorComboBoxItems items_;
  TcxColorComboBoxItems mru_colors_;
  std::optional<ColorValue> value_;
  int current_row_ = -1;

  std::optional<ColorValue> focus_value_;
  bool modified_ = false;

  bool list_open_ = false;
  int highlighted_row_ = -1;
  bool ignore_next_hot_track_ = false;

  int change_depth_ = 0;
  std::optional<ColorValue> value_before_;
  ColorComboShownState shown_reported_;
  std::vector<MruEvent> mru_events_;

  std::function<void()> on_value_changed_;
  std::function<void()> on_shown_changed_;
  std::function<void(ColorValue)> on_added_mru_color_;
  std::function<void(ColorValue)> on_deleted_mru_color_;
};

}  // namespace t2j
