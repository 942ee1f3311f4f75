// The failure display: every failure that leaves an event handler ends here.
#pragma once

#include <QString>
#include <exception>
#include <new>
#include <utility>

#include "platform/failure.h"

class QWidget;

namespace t2j {

// Shows one failure box. The real one is a modal message box; tests put their own in place.
class FailurePresenter {
 public:
  virtual ~FailurePresenter() = default;
  virtual void Present(const QString& caption, const QString& text) = 0;
};

// A modal critical message box with one OK button, owned by the active window.
class MessageBoxPresenter : public FailurePresenter {
 public:
  void Present(const QString& caption, const QString& text) override;
};

// The width a window needs to show `caption` whole in its title bar, icon and buttons included.
int CaptionWidth(const QWidget& window, const QString& caption);

// The presenter that ShowFailure uses; nullptr puts the message box back. Returns the previous.
FailurePresenter* SetFailurePresenter(FailurePresenter* presenter);

// Ends a mouse grab and closes open popups, then, unless the failure is of the silent kind
// (EAbort), shows its message with the full-stop rule under the application's title, and
// gives the focus back to where it was. Never throws.
void ShowFailure(const std::exception& failure) noexcept;

// The same for a failure that is no std::exception.
void ShowUnknownFailure() noexcept;

// Runs an event handler; whatever it throws goes to ShowFailure, so nothing leaves it.
template <typename Handler>
void RunGuarded(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const Exception& failure) {
    ShowFailure(failure);
  } catch (const std::bad_alloc& failure) {
    ShowFailure(failure);
  } catch (const std::exception& failure) {
    ShowFailure(failure);
  } catch (...) {
    ShowUnknownFailure();
  }
}

}  // namespace t2j
