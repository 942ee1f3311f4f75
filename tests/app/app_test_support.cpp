#include "app_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QTest>
#include <cstdlib>
#include <stdexcept>

#include "app/window_metrics.h"

namespace t2j::testing {

CurrentTempDir::CurrentTempDir() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "t2j-app-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  std::filesystem::current_path(path_);
}

CurrentTempDir::~CurrentTempDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

const std::vector<std::string>& FakeFontNames() {
  static const std::vector<std::string> names = {"Default", "AR PL UMing CN", "DejaVu Sans", "宋体",
                                                 "WenQuanYi Zen Hei"};
  return names;
}

std::unique_ptr<TForm1> StartedForm() {
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  auto form = std::make_unique<TForm1>();
  form->FormCreate(FakeFontNames());
  form->show();
  form->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
  return form;
}

void WaitForConversion(TForm1& form) {
  // Bounded only so that a fault cannot hang the run.
  for (int i = 0; i < 6000 && (form.Converting() || form.EndingConversions() > 0); ++i) {
    QTest::qWait(10);
  }
  EXPECT_FALSE(form.Converting());
}

void Convert(TForm1& form) {
  form.btn1Click();
  WaitForConversion(form);
}

}  // namespace t2j::testing
