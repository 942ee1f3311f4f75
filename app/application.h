#pragma once

#include <QApplication>

class QLocale;
class QTranslator;

namespace t2j {

namespace detail {
// The command line that Qt gets to see: the program's name alone.
struct ProgramNameOnly {
  explicit ProgramNameOnly(char* program);
  int argc = 1;
  char* argv[2] = {nullptr, nullptr};
};
}  // namespace detail

// The application object of the window program. A failure that escapes from the handling of
// an event despite the handlers' own guard is shown here, and the event loop goes on.
//
// The program takes no command line: Qt is given the program's name alone, so options such as
// -reverse or -qwindowtitle have no effect; the platform is still chosen by QT_QPA_PLATFORM.
// Qt's own texts (button captions, context menus) come in the user's language.
class TApplication : private detail::ProgramNameOnly, public QApplication {
 public:
  // `program` is argv[0]; it may be nullptr.
  explicit TApplication(char* program);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's translation of its own texts for `locale` and installs it into the application,
// which owns it. nullptr when there is none for the locale (English texts stay).
QTranslator* InstallQtTranslation(const QLocale& locale);

}  // namespace t2j
