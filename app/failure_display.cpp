#include "app/failure_display.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
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

void MessageBoxPresenter::Present(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // a message is never markup
  box.setWindowModality(Qt::ApplicationModal);
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
