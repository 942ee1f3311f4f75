#include "widgets/colour_picker/model/color_combo_model.h"

#include <algorithm>
#include <cstdint>

#include "widgets/colour_picker/model/color_names.h"

namespace t2j {

int NavigateRow(ColorComboKey key, int from, int row_count, int page) {
  if (row_count <= 0) return from;
  const int last = row_count - 1;
  const int start = std::clamp(from, -1, last);
  const int64_t step = std::max(page, 1);
  switch (key) {
    case ColorComboKey::kDown:
      return start < last ? start + 1 : from;
    case ColorComboKey::kUp:
      return start > 0 ? start - 1 : from;
    case ColorComboKey::kPageDown:
      if (start < 0) return static_cast<int>(std::min<int64_t>(step, last));
      return static_cast<int>(std::min<int64_t>(start + step, last));
    case ColorComboKey::kPageUp:
      if (start < 0) return from;
      return static_cast<int>(std::max<int64_t>(start - step, 0));
    case ColorComboKey::kHome:
    case ColorComboKey::kCtrlPageUp:
      return 0;
    case ColorComboKey::kEnd:
    case ColorComboKey::kCtrlPageDown:
      return last;
    default:
      return from;
  }
}

namespace {

bool IsNavigationKey(ColorComboKey key) {
  switch (key) {
    case ColorComboKey::kUp:
    case ColorComboKey::kDown:
    case ColorComboKey::kPageUp:
    case ColorComboKey::kPageDown:
    case ColorComboKey::kHome:
    case ColorComboKey::kEnd:
    case ColorComboKey::kCtrlPageUp:
    case ColorComboKey::kCtrlPageDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

ColorComboModel::ColorComboModel() {
  shown_reported_ = ShownState();
  properties_.on_changed_ = [this](TcxColorComboBoxProperties::Change change) {
    SettingChanged(change);
  };
}

template <typename F>
auto ColorComboModel::Notifying(F&& operation) {
  BeginChange();
  try {
    auto result = operation();
    EndChange();
    return result;
  } catch (...) {
    --change_depth_;
    throw;
  }
}

void ColorComboModel::BeginChange() {
  if (change_depth_++ > 0) return;
  value_before_ = value_;
  mru_events_.clear();
}

void ColorComboModel::EndChange() {
  if (--change_depth_ > 0) return;
  // A hook may run further operations on the model; it then sees the finished state and starts
  // its own round of notifications.
  std::vector<MruEvent> events = std::move(mru_events_);
  mru_events_.clear();
  const bool value_changed = value_before_ != value_;
  // Compared with what was last reported, not with the state at the start: a setting has already
  // changed when its notification arrives.
  ColorComboShownState shown = ShownState();
  const bool shown_changed = !(shown == shown_reported_);
  shown_reported_ = std::move(shown);
  for (const MruEvent& event : events) {
    const auto& hook = event.added ? on_added_mru_color_ : on_deleted_mru_color_;
    if (hook) hook(event.color);
  }
  if (value_changed && on_value_changed_) on_value_changed_();
  if (shown_changed && on_shown_changed_) on_shown_changed_();
}

void ColorComboModel::SettingChanged(TcxColorComboBoxProperties::Change change) {
  Notifying([&] {
    if (change == TcxColorComboBoxProperties::Change::kPrepareInfo) PrepareColorListImpl();
    if (change == TcxColorComboBoxProperties::Change::kMaxMRUColors) TrimMRUColors();
    return true;
  });
}

void ColorComboModel::PrepareColorList() {
  Notifying([&] {
    PrepareColorListImpl();
    return true;
  });
}

void ColorComboModel::PrepareColorListImpl() {
  for (const ColorName& pair : PrepareListTable(properties_.PrepareList())) {
    if (TcxColorComboBoxItem* entry = items_.Add(pair.value, std::string(pair.name))) {
      entry->Persisted = false;
    }
  }
  current_row_ = FindColorIndex(value_);
}

void ColorComboModel::SetValueImpl(std::optional<ColorValue> value) {
  value_ = value;
  current_row_ = FindColorIndex(value_);
}

void ColorComboModel::SetColorValue(ColorValue value) {
  Notifying([&] {
    if (value != GetColorValue()) SetValueImpl(value);
    return true;
  });
}

void ColorComboModel::ClearValue() {
  Notifying([&] {
    modified_ = true;
    SetValueImpl(std::nullopt);
    return true;
  });
}

ColorComboShownState ColorComboModel::ShownState() const {
  ColorComboShownState shown;
  const bool show_text = properties_.ShowDescriptions();
  if (RowEntry(current_row_) != nullptr) {
    shown.color = RowColor(current_row_);
    shown.text = RowText(current_row_);
    shown.in_list = true;
  } else if (value_ && properties_.ColorComboStyle() == cxccsComboEdit) {
    shown.color = *value_;
    if (show_text) shown.text = ColorText(*value_, {});
  } else {
    shown.color = properties_.DefaultColor();
    if (show_text) shown.text = properties_.DefaultDescription();
  }
  return shown;
}

const TcxColorComboBoxItem* ColorComboModel::RowEntry(int row) const {
  if (row < 0) return nullptr;
  const int recent = mru_colors_.Count();
  return row < recent ? mru_colors_.At(row) : items_.At(row - recent);
}

int ColorComboModel::FindColorIndex(std::optional<ColorValue> value) const {
  if (!value) return -1;
  const int recent = mru_colors_.IndexOf(*value);
  if (recent >= 0) return recent;
  const int listed = items_.IndexOf(*value);
  return listed >= 0 ? mru_colors_.Count() + listed : -1;
}

ColorValue ColorComboModel::RowColor(int row) const {
  const TcxColorComboBoxItem* entry = RowEntry(row);
  return entry ? entry->Color : properties_.DefaultColor();
}

std::string ColorComboModel::RowText(int row) const {
  if (!properties_.ShowDescriptions()) return {};
  if (row == -1) return properties_.DefaultDescription();
  const TcxColorComboBoxItem* entry = RowEntry(row);
  return entry ? ColorText(entry->Color, entry->Description) : std::string();
}

std::string ColorComboModel::ColorText(ColorValue color, std::string_view description) const {
  return t2j::ColorText(color, description, properties_.NamingConvention(),
                        properties_.ColorValueFormat());
}

std::string ColorComboModel::FormatColorValue(ColorValue color) const {
  return t2j::FormatColorValue(color, properties_.ColorValueFormat());
}

void ColorComboModel::AddMRUColor(ColorValue color) {
  Notifying([&] {
    AddMRUColorImpl(color);
    return true;
  });
}

void ColorComboModel::AddMRUColorImpl(ColorValue color) {
  if (properties_.MaxMRUColors() == 0) return;
  const int position = mru_colors_.IndexOf(color);
  if (position == 0) return;
  if (position > 0) {
    mru_colors_.Move(position, 0);
  } else {
    const TcxColorComboBoxItem* listed = items_.At(items_.IndexOf(color));
    if (listed == nullptr) return;
    mru_colors_.Insert(0, color, listed->Description);
    mru_events_.push_back({true, color});
    TrimMRUColors();
  }
  if (current_row_ >= LastRecentRow()) {
    current_row_ = 0;
    value_ = RowColor(0);
  } else {
    // The rows moved under the current row; it stays with the value rather than with a number.
    current_row_ = FindColorIndex(value_);
  }
}

void ColorComboModel::TrimMRUColors() {
  bool trimmed = false;
  while (mru_colors_.Count() > properties_.MaxMRUColors()) {
    const int last = mru_colors_.Count() - 1;
    mru_events_.push_back({false, mru_colors_.At(last)->Color});
    mru_colors_.Delete(last);
    trimmed = true;
  }
  if (trimmed) current_row_ = FindColorIndex(value_);
}

int ColorComboModel::PageRows() const { return std::max(properties_.DropDownRows() - 1, 1); }

bool ColorComboModel::Step(ColorComboKey key) {
  return Notifying([&] { return StepImpl(key); });
}

bool ColorComboModel::StepImpl(ColorComboKey key) {
  if (list_open_ || !IsNavigationKey(key)) return false;
  const int target = NavigateRow(key, current_row_, RowCount(), PageRows());
  if (target == current_row_ || RowEntry(target) == nullptr) return false;
  const ColorValue color = RowColor(target);
  if (value_ == color) return false;
  modified_ = true;
  SetValueImpl(color);
  return true;
}

bool ColorComboModel::Wheel(int notches) {
  return Notifying([&] {
    bool changed = false;
    const ColorComboKey key = notches > 0 ? ColorComboKey::kUp : ColorComboKey::kDown;
    // Beyond the row count every further notch is a no-op.
    const int64_t count = std::min<int64_t>(notches > 0 ? int64_t{notches} : -int64_t{notches},
                                            int64_t{RowCount()} + 1);
    for (int64_t i = 0; i < count; ++i) changed = StepImpl(key) || changed;
    return changed;
  });
}

void ColorComboModel::FocusIn() {
  focus_value_ = value_;
  modified_ = false;
}

bool ColorComboModel::RevertToFocusValue() {
  return Notifying([&] { return RevertImpl(); });
}

bool ColorComboModel::RevertImpl() {
  if (!modified_) return false;
  modified_ = false;
  SetValueImpl(focus_value_);
  return true;
}

bool ColorComboModel::OpenList(bool pointer_over_list) {
  if (list_open_) return false;
  list_open_ = true;
  highlighted_row_ = FindColorIndex(value_);
  ignore_next_hot_track_ = pointer_over_list;
  return true;
}

bool ColorComboModel::MoveHighlight(ColorComboKey key) {
  if (!list_open_ || !IsNavigationKey(key)) return false;
  const int from = highlighted_row_ >= 0 ? highlighted_row_ : current_row_;
  const int target = NavigateRow(key, from, RowCount(), PageRows());
  if (target == highlighted_row_ || RowEntry(target) == nullptr) return false;
  highlighted_row_ = target;
  return true;
}

bool ColorComboModel::SetHighlightedRow(int row) {
  if (!list_open_ || row == highlighted_row_) return false;
  if (row != -1 && RowEntry(row) == nullptr) return false;
  highlighted_row_ = row;
  return true;
}

bool ColorComboModel::HotTrack(int row) {
  if (!list_open_) return false;
  if (ignore_next_hot_track_) {
    ignore_next_hot_track_ = false;
    return false;
  }
  if (RowEntry(row) == nullptr) return false;
  return SetHighlightedRow(row);
}

bool ColorComboModel::AcceptList() {
  return Notifying([&] { return AcceptListImpl(); });
}

bool ColorComboModel::AcceptListImpl() {
  if (!list_open_) return false;
  const std::optional<ColorValue> chosen =
      RowEntry(highlighted_row_) ? std::optional(RowColor(highlighted_row_)) : std::nullopt;
  list_open_ = false;
  highlighted_row_ = -1;
  ignore_next_hot_track_ = false;
  if (chosen != value_) {
    modified_ = true;
    SetValueImpl(chosen);
  }
  AddMRUColorImpl(RowColor(current_row_));
  return true;
}

bool ColorComboModel::CancelList() {
  if (!list_open_) return false;
  list_open_ = false;
  highlighted_row_ = -1;
  ignore_next_hot_track_ = false;
  return true;
}

KeyOutcome ColorComboModel::HandleKey(ColorComboKey key) {
  if (list_open_) {
    switch (key) {
      case ColorComboKey::kEnter:
      case ColorComboKey::kF4:
      case ColorComboKey::kAltDown:
      case ColorComboKey::kAltUp:
        AcceptList();
        return KeyOutcome::kListClosed;
      case ColorComboKey::kEscape:
        CancelList();
        return KeyOutcome::kListClosed;
      default:
        MoveHighlight(key);
        return KeyOutcome::kHandled;
    }
  }
  switch (key) {
    case ColorComboKey::kF4:
    case ColorComboKey::kAltDown:
    case ColorComboKey::kAltUp:
      OpenList();
      return KeyOutcome::kListOpened;
    case ColorComboKey::kDelete:
      ClearValue();
      return KeyOutcome::kHandled;
    case ColorComboKey::kEscape:
      return RevertToFocusValue() ? KeyOutcome::kHandled : KeyOutcome::kIgnored;
    default:
      Step(key);
      return KeyOutcome::kHandled;
  }
}

}  // namespace t2j
