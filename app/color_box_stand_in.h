#pragma once

#include <QWidget>

#include "platform/color.h"

namespace t2j {

// The text-colour box cbb3 until the colour picker takes its place: it holds one ColorValue and
// shows it as a swatch and a name, like a closed, non-editable combo box.
class TColorBoxStandIn : public QWidget {
 public:
  explicit TColorBoxStandIn(QWidget* parent = nullptr);

  t2j::ColorValue ColorValue() const { return value_; }
  void SetColorValue(t2j::ColorValue value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  t2j::ColorValue value_ = 0;
};

}  // namespace t2j
