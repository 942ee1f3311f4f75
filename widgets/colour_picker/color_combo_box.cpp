#include "widgets/colour_picker/color_combo_box.h"

#include <QAccessible>
#include <QCursor>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWheelEvent>
#include <optional>

#include "widgets/colour_picker/color_combo_accessible.h"
#include "widgets/colour_picker/color_drop_down.h"

namespace t2j {
namespace {

constexpr int kWheelNotch = 120;  // angle delta of one wheel notch, in eighths of a degree

std::optional<ColorComboKey> KeyOf(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  const bool alt = modifiers.testFlag(Qt::AltModifier);
  const bool control = modifiers.testFlag(Qt::ControlModifier);
  switch (event.key()) {
    case Qt::Key_Up:
      return alt ? ColorComboKey::kAltUp : ColorComboKey::kUp;
    case Qt::Key_Down:
      return alt ? ColorComboKey::kAltDown : ColorComboKey::kDown;
    case Qt::Key_PageUp:
      return control ? ColorComboKey::kCtrlPageUp : ColorComboKey::kPageUp;
    case Qt::Key_PageDown:
      return control ? ColorComboKey::kCtrlPageDown : ColorComboKey::kPageDown;
    case Qt::Key_Home:
      return ColorComboKey::kHome;
    case Qt::Key_End:
      return ColorComboKey::kEnd;
    case Qt::Key_Left:
      return ColorComboKey::kLeft;
    case Qt::Key_Right:
      return ColorComboKey::kRight;
    case Qt::Key_Delete:
      if (control || alt) return std::nullopt;
      return ColorComboKey::kDelete;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ColorComboKey::kEnter;
    case Qt::Key_Escape:
      return ColorComboKey::kEscape;
    case Qt::Key_F4:
      // Alt+F4 belongs to the window.
      if (alt) return std::nullopt;
      return ColorComboKey::kF4;
    default:
      return std::nullopt;
  }
}

bool OpensList(ColorComboKey key) {
  return key == ColorComboKey::kF4 || key == ColorComboKey::kAltDown ||
         key == ColorComboKey::kAltUp;
}

}  // namespace

TcxColorComboBox::TcxColorComboBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  // Characters composed with an input method are typing too; they reach the key-press handler.
  setAttribute(Qt::WA_InputMethodEnabled);
  resize(kWidth, kHeight);
  model_.SetOnShownStateChanged([this] { update(); });
  model_.SetOnValueChanged([this] {
    AnnounceValue();
    emit ValueChanged();
  });
  InstallColorComboAccessibility();
  model_.SetOnAddedMRUColor([this](t2j::ColorValue color) { emit AddedMRUColor(color); });
  model_.SetOnDeletedMRUColor([this](t2j::ColorValue color) { emit DeletedMRUColor(color); });
}

TcxColorComboBox::~TcxColorComboBox() {
  // The popup reaches back into the model while it closes; it goes first.
  delete drop_down_;
  drop_down_ = nullptr;
}

void TcxColorComboBox::SetColorValue(t2j::ColorValue value) { model_.SetColorValue(value); }

void TcxColorComboBox::InitStyleOption(QStyleOptionComboBox& option) const {
  option.initFrom(this);
  option.editable = false;
  option.frame = true;
  option.subControls = QStyle::SC_All;
  // The box draws its own dotted focus rectangle around the text part.
  option.state &= ~QStyle::State_HasFocus;
  if (model_.IsListOpen()) option.state |= QStyle::State_On;
}

QRect TcxColorComboBox::InnerRect() const {
  QStyleOptionComboBox option;
  InitStyleOption(option);
  return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

ClosedBoxLayout TcxColorComboBox::Layout() const {
  return LayOutClosedBox(InnerRect(), model_.Properties(), model_.ShownState().in_list);
}

void TcxColorComboBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionComboBox option;
  InitStyleOption(option);
  style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
  const QRect inner =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  painter.setFont(font());
  PaintClosedBox(painter, inner, model_, hasFocus() && !model_.IsListOpen());
}

void TcxColorComboBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  QStyleOptionComboBox option;
  InitStyleOption(option);
  const QPoint pos = event->position().toPoint();
  const QStyle::SubControl hit =
      style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, pos, this);
  if (hit == QStyle::SC_ComboBoxArrow || Layout().text_part.contains(pos)) DropDown();
}

void TcxColorComboBox::keyPressEvent(QKeyEvent* event) { HandleKeyPress(*event); }

void TcxColorComboBox::inputMethodEvent(QInputMethodEvent* event) { HandleInputMethod(*event); }

void TcxColorComboBox::HandleKeyPress(QKeyEvent& event) {
  bool taken = false;
  // The key acts first, as its key-down would; the character it types comes afterwards.
  if (const std::optional<ColorComboKey> key = KeyOf(event)) {
    if (!model_.IsListOpen() && OpensList(*key)) {
      DropDown();
      taken = true;
    } else {
      taken = model_.HandleKey(*key) != KeyOutcome::kIgnored;
      SyncDropDown();
    }
  }
  const QString text = event.text();
  for (char32_t character : text.toUcs4()) taken = OfferCharacter(character) || taken;
  event.setAccepted(taken);
}

void TcxColorComboBox::HandleInputMethod(QInputMethodEvent& event) {
  for (char32_t character : event.commitString().toUcs4()) OfferCharacter(character);
  event.accept();
}

bool TcxColorComboBox::OfferCharacter(char32_t character) {
  if (on_key_press_) on_key_press_(character);
  if (character == 0) return true;
  return CharacterTyped(character);
}

bool TcxColorComboBox::CharacterTyped(char32_t character) {
  if (!QChar::isPrint(character)) return false;
  if (!model_.IsListOpen()) DropDown();
  if (!model_.IsListOpen()) return false;
  typed_search_ += QString::fromUcs4(&character, 1);
  const int rows = model_.RowCount();
  const int start = std::max(model_.HighlightedRow(), 0);
  for (int i = 0; i < rows; ++i) {
    const int row = (start + i) % rows;
    const QString text = QString::fromStdString(model_.RowText(row));
    if (text.startsWith(typed_search_, Qt::CaseInsensitive)) {
      model_.SetHighlightedRow(row);
      AnnounceHighlight();
      if (drop_down_) {
        drop_down_->List()->ScrollToRow(row);
        drop_down_->List()->viewport()->update();
      }
      break;
    }
  }
  return true;
}

void TcxColorComboBox::wheelEvent(QWheelEvent* event) {
  if (model_.IsListOpen() || !hasFocus()) {
    event->ignore();
    return;
  }
  wheel_remainder_ += event->angleDelta().y();
  const int notches = wheel_remainder_ / kWheelNotch;
  wheel_remainder_ -= notches * kWheelNotch;
  if (notches != 0) model_.Wheel(notches);
  event->accept();
}

void TcxColorComboBox::focusInEvent(QFocusEvent* event) {
  // The focus coming back from the closed list is no new focus: Escape still undoes what was
  // chosen since the box got the focus.
  if (event->reason() != Qt::PopupFocusReason) {
    model_.FocusIn();
    wheel_remainder_ = 0;
  }
  update();
  QWidget::focusInEvent(event);
}

void TcxColorComboBox::focusOutEvent(QFocusEvent* event) {
  if (event->reason() != Qt::PopupFocusReason) CloseUp(false);
  update();
  QWidget::focusOutEvent(event);
}

void TcxColorComboBox::hideEvent(QHideEvent* event) {
  CloseUp(false);
  QWidget::hideEvent(event);
}

void TcxColorComboBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && !isEnabled()) CloseUp(false);
  QWidget::changeEvent(event);
}

bool TcxColorComboBox::focusNextPrevChild(bool next) {
  CloseUp(false);
  return QWidget::focusNextPrevChild(next);
}

void TcxColorComboBox::DropDown() {
  if (model_.IsListOpen() || !isVisible() || !isEnabled()) return;
  if (drop_down_ == nullptr) drop_down_ = new TcxColorDropDown(*this);
  drop_down_->PlaceForBox();
  model_.OpenList(drop_down_->geometry().contains(QCursor::pos()));
  typed_search_.clear();
  drop_down_->show();
  drop_down_->List()->RowsChanged();
  drop_down_->List()->ScrollToRow(model_.HighlightedRow());
  announced_highlight_ = -1;
  AnnounceHighlight();
  update();
}

void TcxColorComboBox::CloseUp(bool accept) {
  if (!model_.IsListOpen()) return;
  if (accept) {
    model_.AcceptList();
  } else {
    model_.CancelList();
  }
  SyncDropDown();
}

void TcxColorComboBox::SyncDropDown() {
  if (drop_down_ == nullptr) return;
  if (!model_.IsListOpen() && drop_down_->isVisible()) {
    drop_down_->hide();
    update();
  } else if (model_.IsListOpen()) {
    drop_down_->List()->ScrollToRow(model_.HighlightedRow());
    drop_down_->List()->viewport()->update();
    AnnounceHighlight();
  }
}

void TcxColorComboBox::AnnounceHighlight() {
  const int row = model_.IsListOpen() ? model_.HighlightedRow() : -1;
  if (row == announced_highlight_) return;
  announced_highlight_ = row;
  if (row < 0 || !QAccessible::isActive()) return;
  if (QAccessibleInterface* item = AccessibleColorRow(*this, row)) {
    QAccessibleEvent focus(item, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
    QAccessibleEvent selection(item, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
  }
}

void TcxColorComboBox::AnnounceValue() {
  if (!QAccessible::isActive()) return;
  QAccessibleValueChangeEvent event(this, QString::fromStdString(model_.ShownState().text));
  QAccessible::updateAccessibility(&event);
}

void TcxColorComboBox::DropDownHidden() {
  if (model_.IsListOpen()) model_.CancelList();
  update();
}

void TcxColorComboBox::AcceptFromList() { CloseUp(true); }

}  // namespace t2j
