// Helpers of the colour box widget tests: the window's font, pixel probes, and a shown window
// holding a started box.
#pragma once

// Mouse events go through the window system as a user's would, so that popups see presses
// outside them and releases after a press elsewhere.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "platform/color.h"
#include "widgets/colour_picker/color_combo_box.h"
#include "widgets/colour_picker/color_drop_down.h"
#include "widgets/colour_picker/model/color_names.h"

namespace t2j::widget_testing {

// The face the window's "宋体" resolves to, at the window's 12 pixels.
inline QFont WindowLikeFont() {
  QFont font(QStringLiteral("AR PL UMing CN"));
  font.setPixelSize(12);
  return font;
}

inline ColorValue Named(std::string_view name) {
  const std::optional<ColorValue> value = FindColorByName(name);
  EXPECT_TRUE(value.has_value()) << name;
  return value.value_or(0);
}

inline QRgb Drawn(ColorValue value) { return DrawnColor(value).rgb(); }

// An image of `size` filled with a colour no drawing uses, painted by `paint`.
inline QImage Painted(QSize size, const std::function<void(QPainter&)>& paint) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(1, 2, 3));
  QPainter painter(&image);
  painter.setFont(WindowLikeFont());
  paint(painter);
  painter.end();
  return image;
}

inline QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }
inline QRgb Inverted(QRgb rgb) { return (~rgb & 0x00FFFFFFu) | 0xFF000000u; }

// A shown, active window in the window's font with the box at its place in the window, set to
// green as at start-up, and a line edit after it in the tab order.
struct BoxWindow {
  BoxWindow() {
    window = std::make_unique<QWidget>();
    window->setFont(WindowLikeFont());
    window->setGeometry(100, 100, 500, 300);
    box = new TcxColorComboBox(window.get());
    box->setGeometry(336, 20, TcxColorComboBox::kWidth, TcxColorComboBox::kHeight);
    box->Properties().SetPrepareInfo("");
    box->SetColorValue(0x00008000);
    box->SetOnKeyPress([this](char32_t& key) {
      typed.push_back(key);
      key = 0;
    });
    after = new QLineEdit(window.get());
    after->setGeometry(10, 100, 100, 20);
    QWidget::setTabOrder(box, after);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->hasFocus(); }));
  }
  ~BoxWindow() {
    window.reset();
    QApplication::processEvents();
  }

  TcxColorDropDown* Popup() const { return box->DropDownWindow(); }
  TcxColorListBox* List() const { return Popup() ? Popup()->List() : nullptr; }
  bool PopupShown() const { return Popup() != nullptr && Popup()->isVisible(); }
  // The centre of a list row in the list's viewport.
  QPoint RowCentre(int row) const { return List()->RowRect(row).center(); }

  std::unique_ptr<QWidget> window;
  TcxColorComboBox* box = nullptr;
  QLineEdit* after = nullptr;
  std::u32string typed;
};

}  // namespace t2j::widget_testing
