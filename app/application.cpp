#include "app/application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/failure_display.h"

namespace t2j {

namespace detail {

ProgramNameOnly::ProgramNameOnly(char* program) {
  static char fallback_name[] = "text2jpg";
  argv[0] = program != nullptr ? program : fallback_name;
}

}  // namespace detail

TApplication::TApplication(char* program) : ProgramNameOnly(program), QApplication(argc, argv) {
  InstallQtTranslation(QLocale::system());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  RunGuarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

QTranslator* InstallQtTranslation(const QLocale& locale) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace t2j
