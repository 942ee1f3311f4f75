// The colour box's drop-down list: a popup frame holding a list with one owner-drawn row per row
// of the box's model, scrolled by whole rows.
#pragma once

#include <QAbstractScrollArea>
#include <QFrame>

namespace t2j {

class ColorComboModel;
class TcxColorComboBox;

class TcxColorListBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  TcxColorListBox(TcxColorComboBox& box, QWidget* parent);

  // The rows were counted anew (the list is opening): the scroll range follows and the list
  // starts again at its first row.
  void RowsChanged();
  // Scrolls as little as needed to show `row` whole; nothing for -1.
  void ScrollToRow(int row);
  int TopRow() const;
  // The row at a point of the viewport, or -1 below the last row.
  int RowAt(const QPoint& pos) const;
  // The rectangle of a row in viewport coordinates; empty when it is scrolled out above.
  QRect RowRect(int row) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  int RowHeight(int row) const;
  int MaxTopRow() const;
  void UpdateScrollRange();

  TcxColorComboBox& box_;
};

class TcxColorDropDown : public QFrame {
  Q_OBJECT

 public:
  explicit TcxColorDropDown(TcxColorComboBox& box);

  TcxColorListBox* List() const { return list_; }
  // Sizes the list for the box's rows and places the popup below the box (above it when the
  // screen has no room below).
  void PlaceForBox();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Tab and Shift+Tab close the list without accepting and move the focus on from the box.
  bool focusNextPrevChild(bool next) override;

 private:
  TcxColorComboBox& box_;
  TcxColorListBox* list_ = nullptr;
};

}  // namespace t2j
