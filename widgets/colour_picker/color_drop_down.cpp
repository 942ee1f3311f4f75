#include "widgets/colour_picker/color_drop_down.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "widgets/colour_picker/color_combo_box.h"
#include "widgets/colour_picker/color_painting.h"

namespace t2j {

TcxColorListBox::TcxColorListBox(TcxColorComboBox& box, QWidget* parent)
    : QAbstractScrollArea(parent), box_(box) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  viewport()->setFocusPolicy(Qt::NoFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setSingleStep(1);
}

int TcxColorListBox::RowHeight(int row) const {
  return t2j::RowHeight(box_.Model(), row, fontMetrics());
}

int TcxColorListBox::TopRow() const { return verticalScrollBar()->value(); }

// The first row from which the rest of the list fits into the viewport.
int TcxColorListBox::MaxTopRow() const {
  const int rows = box_.Model().RowCount();
  const int64_t height = viewport()->height();
  int64_t used = 0;
  int top = rows;
  while (top > 0 && used + RowHeight(top - 1) <= height) {
    used += RowHeight(top - 1);
    --top;
  }
  return std::clamp(top, 0, std::max(rows - 1, 0));
}

void TcxColorListBox::UpdateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, MaxTopRow());
  bar->setPageStep(std::max(box_.Model().Properties().DropDownRows(), 1));
}

void TcxColorListBox::RowsChanged() {
  UpdateScrollRange();
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void TcxColorListBox::ScrollToRow(int row) {
  if (row < 0 || row >= box_.Model().RowCount()) return;
  int top = TopRow();
  if (row < top) {
    verticalScrollBar()->setValue(row);
    return;
  }
  const int64_t height = viewport()->height();
  int64_t shown = 0;
  for (int r = top; r <= row; ++r) shown += RowHeight(r);
  while (shown > height && top < row) shown -= RowHeight(top++);
  verticalScrollBar()->setValue(top);
}

QRect TcxColorListBox::RowRect(int row) const {
  if (row < TopRow() || row >= box_.Model().RowCount()) return {};
  int y = 0;
  for (int r = TopRow(); r < row && y <= viewport()->height(); ++r) y += RowHeight(r);
  return QRect(0, y, viewport()->width(), RowHeight(row));
}

int TcxColorListBox::RowAt(const QPoint& pos) const {
  if (pos.y() < 0 || pos.x() < 0 || pos.x() >= viewport()->width()) return -1;
  const int rows = box_.Model().RowCount();
  int y = 0;
  for (int row = TopRow(); row < rows && y < viewport()->height(); ++row) {
    const int height = RowHeight(row);
    if (pos.y() < y + height) return row;
    y += height;
  }
  return -1;
}

void TcxColorListBox::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setFont(font());
  const ColorComboModel& model = box_.Model();
  const bool right_to_left = box_.layoutDirection() == Qt::RightToLeft;
  const int width = viewport()->width();
  const int height = viewport()->height();
  int y = 0;
  for (int row = TopRow(); row < model.RowCount() && y < height; ++row) {
    const QRect rect(0, y, width, RowHeight(row));
    DrawListRow(painter, rect, model, row, row == model.HighlightedRow(), right_to_left);
    y += rect.height();
  }
  if (y < height) painter.fillRect(QRect(0, y, width, height - y), DrawnColor(kClWindow));
}

void TcxColorListBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int row = RowAt(event->position().toPoint());
  if (row >= 0 && box_.MutableModel().SetHighlightedRow(row)) viewport()->update();
  box_.AnnounceHighlight();
}

void TcxColorListBox::mouseMoveEvent(QMouseEvent* event) {
  if (box_.MutableModel().HotTrack(RowAt(event->position().toPoint()))) viewport()->update();
  box_.AnnounceHighlight();
}

void TcxColorListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (viewport()->rect().contains(event->position().toPoint())) box_.AcceptFromList();
}

void TcxColorListBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void TcxColorListBox::scrollContentsBy(int, int) { viewport()->update(); }

TcxColorDropDown::TcxColorDropDown(TcxColorComboBox& box) : QFrame(&box, Qt::Popup), box_(box) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  // A press outside closes the list; it must not also reach the box and open it again.
  setAttribute(Qt::WA_NoMouseReplay);
  setAttribute(Qt::WA_InputMethodEnabled);
  list_ = new TcxColorListBox(box, this);
}

void TcxColorDropDown::PlaceForBox() {
  const ColorComboModel& model = box_.Model();
  setFont(box_.font());
  list_->setFont(box_.font());
  const int scroll_bar_width =
      list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_->verticalScrollBar());
  const DropDownMeasure measure = MeasureDropDown(model, list_->fontMetrics(), scroll_bar_width);
  list_->setVerticalScrollBarPolicy(measure.scroll_bar ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
  const int frame = frameWidth();
  int list_width = std::max(measure.content_width, box_.width() - 2 * frame);
  int list_height = measure.list_height;

  const QScreen* screen = box_.screen();
  const QRect available = screen ? screen->availableGeometry() : QRect();
  if (available.isValid()) {
    list_width = std::min(list_width, available.width() - 2 * frame);
    list_height = std::min(list_height, available.height() - 2 * frame);
  }
  QRect geometry(box_.mapToGlobal(QPoint(0, box_.height())),
                 QSize(list_width + 2 * frame, list_height + 2 * frame));
  if (available.isValid()) {
    if (geometry.bottom() > available.bottom()) {
      const QPoint top = box_.mapToGlobal(QPoint(0, 0));
      if (top.y() - geometry.height() >= available.top()) {
        geometry.moveBottom(top.y() - 1);
      } else {
        geometry.moveBottom(available.bottom());
      }
    }
    if (geometry.right() > available.right()) geometry.moveRight(available.right());
    if (geometry.left() < available.left()) geometry.moveLeft(available.left());
  }
  setGeometry(geometry);
  list_->setGeometry(frame, frame, list_width, list_height);
}

void TcxColorDropDown::keyPressEvent(QKeyEvent* event) { box_.HandleKeyPress(*event); }

void TcxColorDropDown::inputMethodEvent(QInputMethodEvent* event) {
  box_.HandleInputMethod(*event);
}

bool TcxColorDropDown::focusNextPrevChild(bool next) { return box_.focusNextPrevChild(next); }

void TcxColorDropDown::hideEvent(QHideEvent* event) {
  QFrame::hideEvent(event);
  box_.DropDownHidden();
}

}  // namespace t2j
