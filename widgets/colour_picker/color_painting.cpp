#include "widgets/colour_picker/color_painting.h"

#include <QBrush>
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <QPolygon>
#include <algorithm>
#include <vector>

namespace t2j {
namespace {

// Fills the one-pixel ring along the inside edge of `rect`.
void FillRing(QPainter& painter, const QRect& rect, const QColor& color) {
  if (rect.isEmpty()) return;
  painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), color);
  painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), color);
  painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), color);
  painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), color);
}

// A rectangle from edges in the platform's sense (right and bottom exclusive); empty when the
// edges cross.
QRect FromEdges(int left, int top, int right, int bottom) {
  return QRect(left, top, std::max(right - left, 0), std::max(bottom - top, 0));
}

int ExclusiveRight(const QRect& rect) { return rect.left() + rect.width(); }
int ExclusiveBottom(const QRect& rect) { return rect.top() + rect.height(); }

}  // namespace

QColor DrawnColor(ColorValue value) {
  const Rgb rgb = ResolveRgb(value);
  return QColor(rgb.r, rgb.g, rgb.b);
}

void DrawColorBox(QPainter& painter, const QRect& rect, ColorValue frame, ColorValue fill,
                  ColorValue background, TcxDefaultColorStyle style) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  const QColor background_color = DrawnColor(background);
  const QColor frame_color = DrawnColor(frame);
  const QColor fill_color = DrawnColor(fill);
  FillRing(painter, rect, background_color);
  const QRect frame_rect = rect.adjusted(1, 1, -1, -1);
  FillRing(painter, frame_rect, frame_color);
  const QRect area = frame_rect.adjusted(1, 1, -1, -1);
  if (area.isEmpty()) return;
  switch (style) {
    case cxdcClear:
      painter.fillRect(area, background_color);
      break;
    case cxdcHatched:
      painter.fillRect(area, background_color);
      painter.save();
      painter.setBackgroundMode(Qt::TransparentMode);
      painter.fillRect(area, QBrush(fill_color, Qt::DiagCrossPattern));
      painter.restore();
      // The hatched rectangle's outline covered the frame; the frame is drawn again over it.
      FillRing(painter, frame_rect, frame_color);
      break;
    case cxdcColor:
    case cxdcText:
    case cxdcCustom:
    default:
      painter.fillRect(area, fill_color);
      break;
  }
}

void DrawFocusRect(QPainter& painter, const QRect& rect) {
  if (rect.isEmpty()) return;
  std::vector<QPoint> points;
  const auto add = [&](int x, int y) {
    if (((x + y) & 1) == 0) points.emplace_back(x, y);
  };
  for (int x = rect.left(); x <= rect.right(); ++x) {
    add(x, rect.top());
    if (rect.bottom() > rect.top()) add(x, rect.bottom());
  }
  for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
    add(rect.left(), y);
    if (rect.right() > rect.left()) add(rect.right(), y);
  }
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(QPen(Qt::black, 0));
  painter.drawPoints(points.data(), static_cast<int>(points.size()));
  painter.restore();
}

ClosedBoxLayout LayOutClosedBox(const QRect& inner, const TcxColorComboBoxProperties& properties,
                                bool in_list) {
  ClosedBoxLayout layout;
  layout.swatch = inner;
  layout.text_part = inner;
  const int box_width = properties.ColorBoxWidth();
  if (!in_list && properties.DefaultColorStyle() == cxdcText) {
    layout.swatch = QRect();
  } else if (properties.ShowDescriptions()) {
    const int left = inner.left();
    const int right = ExclusiveRight(inner);
    const int top = inner.top();
    const int bottom = ExclusiveBottom(inner);
    if (properties.ColorBoxAlign() == cbaLeft) {
      const int split = std::min(left + box_width, right);
      layout.swatch = FromEdges(left, top, split, bottom);
      layout.text_part = FromEdges(split, top, right, bottom);
    } else {
      const int split = std::max(right - box_width, left);
      layout.swatch = FromEdges(split, top, right, bottom);
      layout.text_part = FromEdges(left, top, split, bottom);
    }
  } else {
    layout.show_text = false;
  }
  layout.text_rect = layout.text_part.adjusted(2, 2, -2, -2);
  return layout;
}

TcxDefaultColorStyle ClosedSwatchStyle(const TcxColorComboBoxProperties& properties, bool in_list) {
  if (in_list && properties.DefaultColorStyle() != cxdcText) return cxdcColor;
  return properties.DefaultColorStyle();
}

void PaintClosedBox(QPainter& painter, const QRect& inner, const ColorComboModel& model,
                    bool focus_rect) {
  const TcxColorComboBoxProperties& properties = model.Properties();
  const ColorComboShownState shown = model.ShownState();
  const ClosedBoxLayout layout = LayOutClosedBox(inner, properties, shown.in_list);
  painter.fillRect(layout.text_part, DrawnColor(kClWindow));
  if (layout.show_text && !layout.text_rect.isEmpty()) {
    painter.setPen(DrawnColor(kClWindowText));
    painter.drawText(layout.text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(shown.text));
  }
  DrawColorBox(painter, layout.swatch, properties.ColorBoxFrameColor(), shown.color, kClWindow,
               ClosedSwatchStyle(properties, shown.in_list));
  if (focus_rect) DrawFocusRect(painter, layout.text_part.adjusted(1, 1, -1, -1));
}

int RowHeight(const ColorComboModel& model, int row, const QFontMetrics& metrics) {
  const int item_height = model.Properties().ItemHeight();
  int height = item_height > 0
                   ? item_height
                   : std::max(kMinRowHeight,
                              metrics.size(Qt::TextSingleLine, QStringLiteral("Wg")).height());
  if (row >= 0 && row == model.LastRecentRow()) height += kRecentSeparatorHeight;
  return height;
}

DropDownMeasure MeasureDropDown(const ColorComboModel& model, const QFontMetrics& metrics,
                                int scroll_bar_width) {
  DropDownMeasure measure;
  const int rows = model.RowCount();
  // A list without visible rows could not be used; it shows one row at least.
  const int drop_down_rows = std::max(model.Properties().DropDownRows(), 1);
  measure.visible_rows = std::min(drop_down_rows, rows);
  int64_t height = 0;
  for (int row = 0; row < measure.visible_rows; ++row) height += RowHeight(model, row, metrics);
  int widest = 0;
  for (int row = 0; row < rows; ++row) {
    widest =
        std::max(widest, metrics.horizontalAdvance(QString::fromStdString(model.RowText(row))));
  }
  measure.list_height = static_cast<int>(std::min<int64_t>(height, 1 << 20));
  measure.text_extent = widest + kListTextMargin + model.Properties().ColorBoxWidth();
  measure.scroll_bar = rows > drop_down_rows;
  measure.content_width = measure.text_extent + (measure.scroll_bar ? scroll_bar_width : 0);
  return measure;
}

QString ElidedRowText(const QFontMetrics& metrics, const QString& text, int width) {
  return metrics.elidedText(text, Qt::ElideRight, std::max(width, 0));
}

void DrawListRow(QPainter& painter, const QRect& rect, const ColorComboModel& model, int row,
                 bool highlighted, bool right_to_left) {
  const TcxColorComboBoxProperties& properties = model.Properties();
  const ColorValue background = highlighted ? kClHighlight : kClWindow;
  const ColorValue text_color = highlighted ? kClHighlightText : kClWindowText;
  const bool last_recent = row >= 0 && row == model.LastRecentRow();

  const int left = rect.left();
  const int right = ExclusiveRight(rect);
  const int top = rect.top();
  const int bottom = ExclusiveBottom(rect) - (last_recent ? kRecentSeparatorHeight : 0);
  QRect swatch = FromEdges(left, top, right, bottom);

  painter.fillRect(rect, DrawnColor(background));
  if (properties.ShowDescriptions()) {
    const int box_width = properties.ColorBoxWidth();
    QRect text_rect;
    if (properties.ColorBoxAlign() == cbaLeft) {
      const int split = std::min(left + box_width, right);
      text_rect = FromEdges(split, top, right, bottom);
      swatch = FromEdges(left, top, split, bottom);
    } else {
      const int split = std::max(right - box_width, left);
      text_rect = FromEdges(left, top, split, bottom);
      swatch = FromEdges(split, top, right, bottom);
    }
    if (!text_rect.isEmpty()) {
      const QString text = ElidedRowText(
          painter.fontMetrics(), QString::fromStdString(model.RowText(row)), text_rect.width());
      painter.save();
      painter.setLayoutDirection(right_to_left ? Qt::RightToLeft : Qt::LeftToRight);
      painter.setPen(DrawnColor(text_color));
      painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
      painter.restore();
    }
  }
  DrawColorBox(painter, swatch, properties.ColorBoxFrameColor(), model.RowColor(row), background,
               cxdcColor);
  if (last_recent) {
    const QColor line = DrawnColor(highlighted ? kClWindow : kClWindowText);
    painter.fillRect(QRect(rect.left(), rect.bottom() - 2, rect.width(), 1), line);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), line);
  }
  if (highlighted) DrawFocusRect(painter, rect);
}

}  // namespace t2j
