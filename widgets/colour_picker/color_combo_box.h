// TcxColorComboBox: the text-colour box. A non-editable drop-down box that shows a colour swatch
// and the colour's name, and whose list offers the recent colours and the colour list. The model
// (ColorComboModel) decides; this widget draws it and hands it the user's keys, wheel and mouse.
#pragma once

#include <QWidget>
#include <functional>

#include "platform/color.h"
#include "widgets/colour_picker/color_painting.h"
#include "widgets/colour_picker/model/color_combo_model.h"

class QStyleOptionComboBox;

namespace t2j {

class TcxColorDropDown;

class TcxColorComboBox : public QWidget {
  Q_OBJECT

 public:
  // Sees every character typed into the box (keys with text, input method commits) before the
  // box does; setting it to 0 discards the character.
  using KeyPressHandler = std::function<void(char32_t& key)>;

  // The size of the box in the window.
  static constexpr int kWidth = 121;
  static constexpr int kHeight = 20;

  // Like the control it stands for, a new box has an empty colour list and an empty value: the
  // owner prepares the list by assigning Properties().SetPrepareInfo(...).
  explicit TcxColorComboBox(QWidget* parent = nullptr);
  ~TcxColorComboBox() override;

  // The shown colour (DefaultColor while the value is empty), system colours unresolved.
  t2j::ColorValue ColorValue() const { return model_.GetColorValue(); }
  // Does nothing when `value` is the shown colour; records nothing among the recent colours.
  void SetColorValue(t2j::ColorValue value);

  // Changing a setting repaints the box; the open list takes the new settings when it opens next.
  TcxColorComboBoxProperties& Properties() { return model_.Properties(); }
  const ColorComboModel& Model() const { return model_; }

  void SetOnKeyPress(KeyPressHandler handler) { on_key_press_ = std::move(handler); }

  // Whether the drop-down list is shown.
  bool DroppedDown() const { return model_.IsListOpen(); }
  // Opens the list as the user does (nothing when it is open, or the box hidden or disabled).
  void DropDown();
  // Closes an open list, accepting its highlighted row or cancelling.
  void CloseUp(bool accept);
  // The popup of the list; nullptr until the list opened once.
  TcxColorDropDown* DropDownWindow() const { return drop_down_; }

  // The closed box's parts in widget coordinates: the area inside the border left of the
  // button, and the swatch and text parts in it.
  QRect InnerRect() const;
  ClosedBoxLayout Layout() const;

  QSize sizeHint() const override { return {kWidth, kHeight}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void ValueChanged();
  void AddedMRUColor(quint32 color);
  void DeletedMRUColor(quint32 color);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  friend class TcxColorDropDown;
  friend class TcxColorListBox;

  void InitStyleOption(QStyleOptionComboBox& option) const;
  ColorComboModel& MutableModel() { return model_; }
  // The box's answer to a key, whether it arrived at the box or at its open list.
  void HandleKeyPress(QKeyEvent& event);
  void HandleInputMethod(QInputMethodEvent& event);
  // Offers a typed character to the key-press handler, then, when it is left non-zero, to the
  // box's own handling. True when the character was taken.
  bool OfferCharacter(char32_t character);
  // Without a handler that discards it, a printable character opens the list and highlights the
  // first row whose text starts with what was typed since it opened.
  bool CharacterTyped(char32_t character);
  // The list popup follows the model's open state.
  void SyncDropDown();
  // The popup was hidden from outside (a press outside it): the list closes without accepting.
  void DropDownHidden();
  void AcceptFromList();
  // Tells screen readers of the row that the open list highlights now, when it moved.
  void AnnounceHighlight();
  void AnnounceValue();

  ColorComboModel model_;
  KeyPressHandler on_key_press_;
  TcxColorDropDown* drop_down_ = nullptr;  // a child of the box, made on the first opening
  QString typed_search_;
  int wheel_remainder_ = 0;
  int announced_highlight_ = -1;
};

}  // namespace t2j
