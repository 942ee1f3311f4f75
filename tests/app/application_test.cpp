// What the application object does before any window: Qt's texts and the ignored command line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcess>
#include <QTranslator>

#include "app/application.h"

namespace t2j {
namespace {

TEST(QtTranslation, GivesQtsOwnTextsInChineseUnderZhCn) {
  const QString catalogue =
      QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
  if (!QFile::exists(catalogue)) GTEST_SKIP() << "Qt's translations are not installed";
  QTranslator* translator = InstallQtTranslation(QLocale(QLocale::Chinese, QLocale::China));
  ASSERT_NE(translator, nullptr);
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
  QCoreApplication::removeTranslator(translator);
  delete translator;
}

// Were Qt's -platform option read, the program would start on the offscreen platform and keep
// running; it must take the platform of the environment, which does not exist, and end.
TEST(CommandLine, QtsOptionsHaveNoEffectAndTheEnvironmentChoosesThePlatform) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
  program.setProcessEnvironment(environment);
  program.start(
      QStringLiteral(T2J_WINDOW_PATH),
      {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse")});
  const bool ended = program.waitForFinished(60000);
  if (!ended) program.kill();
  ASSERT_TRUE(ended) << "the program ran on the platform of its command line";
  EXPECT_TRUE(program.readAllStandardError().contains("no-such-platform"));
}

}  // namespace
}  // namespace t2j
