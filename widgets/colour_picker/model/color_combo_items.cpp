#include "widgets/colour_picker/model/color_combo_items.h"

#include <algorithm>
#include <utility>

namespace t2j {

const TcxColorComboBoxItem* TcxColorComboBoxItems::At(int index) const {
  return Contains(index) ? &items_[index] : nullptr;
}

int TcxColorComboBoxItems::IndexOf(ColorValue color) const {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [color](const TcxColorComboBoxItem& item) { return item.Color == color; });
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TcxColorComboBoxItem* TcxColorComboBoxItems::Add(ColorValue color, std::string description) {
  return Insert(Count(), color, std::move(description));
}

TcxColorComboBoxItem* TcxColorComboBoxItems::Insert(int index, ColorValue color,
                                                    std::string description) {
  if (index < 0 || index > Count() || IndexOf(color) >= 0) return nullptr;
  TcxColorComboBoxItem item;
  item.Color = color;
  item.Description = std::move(description);
  return &*items_.insert(items_.begin() + index, std::move(item));
}

bool TcxColorComboBoxItems::Move(int from, int to) {
  if (!Contains(from) || !Contains(to)) return false;
  auto first = items_.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else if (from > to) {
    std::rotate(first + to, first + from, first + from + 1);
  }
  return true;
}

bool TcxColorComboBoxItems::Delete(int index) {
  if (!Contains(index)) return false;
  items_.erase(items_.begin() + index);
  return true;
}

}  // namespace t2j
