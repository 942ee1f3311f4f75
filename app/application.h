#pragma once

#include <QApplication>

namespace t2j {

// The application object of the window program. A failure that escapes from the handling of
// an event despite the handlers' own guard is shown here, and the event loop goes on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace t2j
