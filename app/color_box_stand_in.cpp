#include "app/color_box_stand_in.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace t2j {
namespace {

QString ColorName(t2j::ColorValue value) {
  if (value == 0x00008000) return QStringLiteral("clGreen");
  return QStringLiteral("$%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

TColorBoxStandIn::TColorBoxStandIn(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
}

void TColorBoxStandIn::SetColorValue(t2j::ColorValue value) {
  value_ = value;
  update();
}

void TColorBoxStandIn::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionComboBox option;
  option.initFrom(this);
  option.editable = false;
  option.frame = true;
  style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);

  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  const int side = qMax(1, field.height() - 4);
  const QRect swatch(field.left() + 2, field.top() + (field.height() - side) / 2, side * 2, side);
  const Rgb rgb = ResolveRgb(value_);
  painter.fillRect(swatch, QColor(rgb.r, rgb.g, rgb.b));
  painter.setPen(palette().color(QPalette::Text));
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));

  const QRect text_rect = field.adjusted(swatch.width() + 6, 0, 0, 0);
  painter.drawText(text_rect, Qt::AlignVCenter | Qt::AlignLeft, ColorName(value_));
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = text_rect.adjusted(-2, 1, 0, -1);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

}  // namespace t2j
