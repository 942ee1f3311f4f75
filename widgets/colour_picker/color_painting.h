// The colour box's drawing as plain functions over a painter and a rectangle: the swatch, the
// closed box's content, the focus rectangle and the rows of the drop-down list. Rectangles are
// QRects (right and bottom inclusive); colours are ColorValues, resolved through the platform's
// system colour table when drawn.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include "platform/color.h"
#include "widgets/colour_picker/model/color_combo_model.h"

class QFontMetrics;
class QPainter;

namespace t2j {

constexpr ColorValue kClWindow = 0xFF000005u;
constexpr ColorValue kClWindowText = 0xFF000008u;
constexpr ColorValue kClHighlight = 0xFF00000Du;
constexpr ColorValue kClHighlightText = 0xFF00000Eu;

// The last row of the recent block is this much higher, for its double line.
constexpr int kRecentSeparatorHeight = 3;
constexpr int kMinRowHeight = 16;
// Room between the swatch and the widest text in the open list.
constexpr int kListTextMargin = 4;

// The colour a value is drawn in: a system colour from the platform's table, anything else (the
// markers clNone and clDefault too) as its low 24 bits.
QColor DrawnColor(ColorValue value);

// One swatch in `rect`: a one-pixel ring of `background`, inside it a ring of `frame`, and the
// rest filled by `style` (cxdcClear: background; cxdcColor, cxdcText, cxdcCustom: `fill`;
// cxdcHatched: a diagonal cross hatch of `fill` over the background, frame redrawn). Nothing for
// an empty rectangle.
void DrawColorBox(QPainter& painter, const QRect& rect, ColorValue frame, ColorValue fill,
                  ColorValue background, TcxDefaultColorStyle style);

// The dotted focus rectangle along the inside edge of `rect`: every other pixel inverted, so that
// drawing it twice takes it away again.
void DrawFocusRect(QPainter& painter, const QRect& rect);

// Where the closed box draws, given its area inside the border and left of the drop-down button.
struct ClosedBoxLayout {
  QRect swatch;     // empty when no swatch is shown
  QRect text_part;  // T: a press here opens the list; the focus rectangle goes around it
  QRect text_rect;  // T shrunk by 2 on every side
  bool show_text = true;
};
ClosedBoxLayout LayOutClosedBox(const QRect& inner, const TcxColorComboBoxProperties& properties,
                                bool in_list);

// The style the closed box's swatch is drawn in.
TcxDefaultColorStyle ClosedSwatchStyle(const TcxColorComboBoxProperties& properties, bool in_list);

// The closed box's content inside `inner` in the painter's font: the background of T in the
// window colour, the shown text in the window-text colour, the swatch and, with `focus_rect`,
// the focus rectangle around T shrunk by one.
void PaintClosedBox(QPainter& painter, const QRect& inner, const ColorComboModel& model,
                    bool focus_rect);

// Height of list row `row` in a list whose font has `metrics`: ItemHeight when above 0, else the
// height of "Wg" but at least 16; the last recent row is 3 higher.
int RowHeight(const ColorComboModel& model, int row, const QFontMetrics& metrics);

// The size of the open list for the model's rows in a font with `metrics`.
struct DropDownMeasure {
  int visible_rows = 0;     // the smaller of DropDownRows and the row count
  int list_height = 0;      // the heights of that many first rows
  int text_extent = 0;      // widest row text + 4 + ColorBoxWidth
  int content_width = 0;    // text_extent, plus the scroll bar when it is needed
  bool scroll_bar = false;  // more rows than DropDownRows
};
DropDownMeasure MeasureDropDown(const ColorComboModel& model, const QFontMetrics& metrics,
                                int scroll_bar_width);

// `text` cut to `width` pixels with an ellipsis at its end when it is wider.
QString ElidedRowText(const QFontMetrics& metrics, const QString& text, int width);

// List row `row` in `rect` (the row's full rectangle) in the painter's font: background, swatch,
// name, the double line under the last recent row and, when highlighted, the focus rectangle.
void DrawListRow(QPainter& painter, const QRect& rect, const ColorComboModel& model, int row,
                 bool highlighted, bool right_to_left);

}  // namespace t2j
