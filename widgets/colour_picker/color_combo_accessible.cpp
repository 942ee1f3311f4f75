#include "widgets/colour_picker/color_combo_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QScrollBar>
#include <QWindow>

#include "widgets/colour_picker/color_combo_box.h"
#include "widgets/colour_picker/color_drop_down.h"

namespace t2j {
namespace {

QString RowName(const TcxColorComboBox& box, int row) {
  return QString::fromStdString(box.Model().RowText(row));
}

// The open list, or nullptr while it is closed.
TcxColorListBox* OpenList(const TcxColorComboBox* box) {
  if (box == nullptr || !box->DroppedDown() || box->DropDownWindow() == nullptr) return nullptr;
  return box->DropDownWindow()->List();
}

class ColorListAccessible;

// One row of the list.
class ColorRowAccessible : public QAccessibleInterface {
 public:
  ColorRowAccessible(ColorListAccessible* list, TcxColorComboBox* box, int row)
      : list_(list), box_(box), row_(row) {}

  bool isValid() const override { return box_ && row_ < box_->Model().RowCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return box_ ? box_->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    return RowName(*box_, row_);
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    TcxColorListBox* list = OpenList(box_);
    if (list == nullptr) return {};
    const QRect local = list->RowRect(row_);
    if (local.isEmpty()) return {};
    return QRect(list->viewport()->mapToGlobal(local.topLeft()), local.size());
  }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.selectable = true;
    state.focusable = true;
    if (!isValid()) return state;
    const ColorComboModel& model = box_->Model();
    const bool open = model.IsListOpen();
    const int selected_row = open ? model.HighlightedRow() : model.CurrentRow();
    state.selected = row_ == selected_row;
    state.focused = open && row_ == selected_row;
    state.active = state.focused;
    state.invisible = !open || rect().isEmpty();
    state.offscreen = state.invisible;
    return state;
  }

 private:
  ColorListAccessible* list_;
  QPointer<TcxColorComboBox> box_;
  int row_;
};

// The list: the recent colours, then the colour list.
class ColorListAccessible : public QAccessibleInterface {
 public:
  explicit ColorListAccessible(TcxColorComboBox* box) : box_(box) {}
  ~ColorListAccessible() override {
    for (const QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
  }

  bool isValid() const override { return !box_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return box_ ? box_->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* parent() const override {
    return box_ ? QAccessible::queryAccessibleInterface(box_.data()) : nullptr;
  }
  QAccessibleInterface* child(int index) const override {
    if (!box_ || index < 0 || index >= box_->Model().RowCount()) return nullptr;
    auto found = rows_.constFind(index);
    if (found != rows_.constEnd()) return QAccessible::accessibleInterface(*found);
    auto* row = new ColorRowAccessible(const_cast<ColorListAccessible*>(this), box_.data(), index);
    rows_.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
  }
  int childCount() const override { return box_ ? box_->Model().RowCount() : 0; }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (auto it = rows_.constBegin(); it != rows_.constEnd(); ++it) {
      if (QAccessible::accessibleInterface(it.value()) == child) {
        return it.key() < childCount() ? it.key() : -1;
      }
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    TcxColorListBox* list = OpenList(box_);
    if (list == nullptr) return nullptr;
    return child(list->RowAt(list->viewport()->mapFromGlobal(QPoint(x, y))));
  }
  QString text(QAccessible::Text t) const override {
    if (!box_ || t != QAccessible::Name) return {};
    return box_->accessibleName();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    TcxColorListBox* list = OpenList(box_);
    if (list == nullptr) return {};
    return QRect(list->viewport()->mapToGlobal(QPoint(0, 0)), list->viewport()->size());
  }
  QAccessible::Role role() const override { return QAccessible::List; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.invisible = OpenList(box_) == nullptr;
    state.offscreen = state.invisible;
    return state;
  }

 private:
  QPointer<TcxColorComboBox> box_;
  mutable QHash<int, QAccessible::Id> rows_;
};

QAccessibleInterface* ColorRowAccessible::parent() const { return list_; }

// The box: a combo box named by its label, its value the shown colour's name, which it also
// offers as its read-only text, where screen readers read a combo box's value.
class ColorComboAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ColorComboAccessible(TcxColorComboBox* box)
      : QAccessibleWidget(box, QAccessible::ComboBox) {
    list_id_ = QAccessible::registerAccessibleInterface(new ColorListAccessible(box));
  }
  ~ColorComboAccessible() override { QAccessible::deleteAccessibleInterface(list_id_); }

  TcxColorComboBox* Box() const { return static_cast<TcxColorComboBox*>(widget()); }
  QAccessibleInterface* List() const { return QAccessible::accessibleInterface(list_id_); }

  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override { return index == 0 ? List() : nullptr; }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child == List() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return QString::fromStdString(Box()->Model().ShownState().text);
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = Box()->DroppedDown();
    state.collapsed = !state.expanded;
    state.hasPopup = true;
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // QAccessibleTextInterface: the shown text, read-only, without a caret or a selection.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    const QString value = text(QAccessible::Value);
    if (end < 0 || end > value.size()) end = static_cast<int>(value.size());
    if (start < 0 || start >= end) return {};
    return value.mid(start, end - start);
  }
  int characterCount() const override {
    return static_cast<int>(text(QAccessible::Value).size());
  }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

  QStringList actionNames() const override {
    return {showMenuAction(), pressAction(), setFocusAction()};
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction()) {
      if (Box()->DroppedDown()) {
        Box()->CloseUp(false);
      } else {
        Box()->DropDown();
      }
      return;
    }
    QAccessibleWidget::doAction(action);
  }

 private:
  QAccessible::Id list_id_ = 0;
};

QAccessibleInterface* ColorComboFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String(TcxColorComboBox::staticMetaObject.className())) return nullptr;
  auto* box = qobject_cast<TcxColorComboBox*>(object);
  return box ? new ColorComboAccessible(box) : nullptr;
}

}  // namespace

void InstallColorComboAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(ColorComboFactory);
}

QAccessibleInterface* AccessibleColorRow(TcxColorComboBox& box, int row) {
  QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(&box);
  QAccessibleInterface* list = combo ? combo->child(0) : nullptr;
  return list ? list->child(row) : nullptr;
}

}  // namespace t2j
