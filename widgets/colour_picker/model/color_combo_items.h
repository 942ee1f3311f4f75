// One row of a colour list and the ordered entry list that the colour box keeps twice: its
// colour list (Items) and its recent colours (MRUColors).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/color.h"

namespace t2j {

struct TcxColorComboBoxItem {
  ColorValue Color = 0;
  // Shown only under the naming convention cxncNone.
  std::string Description;
  // Free for the owner; nothing reads it.
  int32_t Tag = 0;
  // True for entries of a stored description; entries of a prepared list are false.
  bool Persisted = false;
};

// An ordered list in which no colour stands twice. Positions count from 0; a position outside the
// list makes an operation do nothing. A pointer that an operation returns stays valid until the
// list next changes.
class TcxColorComboBoxItems {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }

  // The entry at `index`; nullptr outside the list.
  const TcxColorComboBoxItem* At(int index) const;

  // Position of the first entry with this colour, or -1.
  int IndexOf(ColorValue color) const;

  // Appends an entry; returns nullptr and changes nothing when the colour is already listed.
  TcxColorComboBoxItem* Add(ColorValue color, std::string description);

  // Inserts an entry at `index` (0 to Count()); returns nullptr and changes nothing when the
  // colour is already listed or the index lies outside that range.
  TcxColorComboBoxItem* Insert(int index, ColorValue color, std::string description);

  // Moves the entry at `from` to `to`; the entries between shift by one. False when a position
  // lies outside the list.
  bool Move(int from, int to);

  // Deletes the entry at `index`; false when it lies outside the list.
  bool Delete(int index);

  void Clear() { items_.clear(); }

  std::vector<TcxColorComboBoxItem>::const_iterator begin() const { return items_.begin(); }
  std::vector<TcxColorComboBoxItem>::const_iterator end() const { return items_.end(); }

 private:
  bool Contains(int index) const { return index >= 0 && index < Count(); }

  std::vector<TcxColorComboBoxItem> items_;
};

}  // namespace t2j
