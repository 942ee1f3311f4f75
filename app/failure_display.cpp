#include "app/failure_display.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <string>

#include "convert/failure_text.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

MessageBoxPresenter& DefaultPresenter() {
  static MessageBoxPresenter presenter;
  return presenter;
}

FailurePresenter* current_presenter = nullptr;

// A drag or a button press in progress would otherwise go on under the modal box.
void CancelMouseModes() {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  // A popup that refuses to close must not keep us here.
  for (int i = 0; i < 16; ++i) {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup == nullptr) break;
    popup->close();
  }
}

void Present(const std::string& message) {
  const QString caption = QGuiApplication::applicationDisplayName();
  const QString text = QString::fromStdString(FailureText(message));
  QPointer<QWidget> active = QApplication::activeWindow();
  QPointer<QWidget> focus = QApplication::focusWidget();
  FailurePresenter& presenter = current_presenter ? *current_presenter : DefaultPresenter();
  presenter.Present(caption, text);
  if (active) active->activateWindow();
  if (focus) focus->setFocus(Qt::OtherFocusReason);
}

}  // namespace

int CaptionWidth(const QWidget& window, const QString& caption) {
  // The window manager draws the caption in its own font, commonly bold: the window's font in
  // bold stands in for it, with room for the title bar's icon and buttons on either side.
  QFont title_font = window.font();
  title_font.setBold(true);
  const int text = QFontMetrics(title_font).horizontalAdvance(caption);
  const int bar = std::max(window.style()->pixelMetric(QStyle::PM_TitleBarHeight), 16);
  return text + text / 4 + 5 * bar;
}

void MessageBoxPresenter::Present(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // a message is never markup
  box.setWindowModality(Qt::ApplicationModal);
  // The box sizes itself to its text; a short text would leave its caption cut short in the
  // title bar. An empty row of the caption's width keeps it from getting narrower.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(CaptionWidth(box, caption), 0, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

FailurePresenter* SetFailurePresenter(FailurePresenter* presenter) {
  FailurePresenter* previous = current_presenter;
  current_presenter = presenter;
  return previous;
}

void ShowFailure(const std::exception& failure) noexcept {
  try {
    CancelMouseModes();
    if (dynamic_cast<const EAbort*>(&failure) != nullptr) return;
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
      Present(SystemErrorText(ENOMEM));
    } else {
      Present(failure.what());
    }
  } catch (...) {
    // Nothing is left that could show it; the program goes on.
  }
}

void ShowUnknownFailure() noexcept {
  try {
    CancelMouseModes();
    Present("发生了未知的错误");
  } catch (...) {
  }
}

}  // namespace t2j
