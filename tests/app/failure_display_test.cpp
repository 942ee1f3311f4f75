// The guard around the handlers and the failure display behind it.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <cerrno>
#include <functional>
#include <new>
#include <stdexcept>

#include "app/failure_display.h"
#include "app/form1.h"
#include "app/window_metrics.h"
#include "app_test_support.h"
#include "convert/failure_text.h"
#include "platform/failure.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

using testing::RecordingPresenter;

struct Thrown {
  const char* name;
  std::function<void()> handler;
  std::function<std::string()> shown;  // nullptr: nothing is shown
};

class RunGuardedShows : public ::testing::TestWithParam<Thrown> {
 protected:
  void SetUp() override { QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle)); }
};

TEST_P(RunGuardedShows, WhatTheHandlerThrowsWithTheFullStopRule) {
  RecordingPresenter presenter;
  const Thrown& thrown = GetParam();
  RunGuarded(thrown.handler);
  if (!thrown.shown) {
    EXPECT_TRUE(presenter.texts.empty());
    return;
  }
  ASSERT_EQ(presenter.texts.size(), 1u);
  EXPECT_EQ(presenter.texts[0].toStdString(), thrown.shown());
  EXPECT_EQ(presenter.captions[0], QString::fromUtf8("文本to图片"));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RunGuardedShows,
    ::testing::Values(
        Thrown{"Nothing", [] {}, nullptr},
        Thrown{"ProgramFailure", [] { throw Exception("JPEG error #41"); },
               [] { return std::string("JPEG error #41."); }},
        Thrown{"EndsInFullStop", [] { throw Exception("done."); },
               [] { return std::string("done."); }},
        Thrown{"EndsInChinese", [] { throw Exception("无法创建文件"); },
               [] { return std::string("无法创建文件."); }},
        Thrown{"EndsInBang", [] { throw Exception("stop!"); }, [] { return std::string("stop!"); }},
        Thrown{"Empty", [] { throw Exception(""); }, [] { return std::string(); }},
        Thrown{"Silent", [] { throw EAbort(); }, nullptr},
        Thrown{"OutOfMemory", [] { throw std::bad_alloc(); },
               [] { return FailureText(SystemErrorText(ENOMEM)); }},
        Thrown{"StandardFailure", [] { throw std::out_of_range("index 7"); },
               [] { return std::string("index 7."); }},
        Thrown{"NoException", [] { throw 42; }, [] { return FailureText("发生了未知的错误"); }}),
    [](const ::testing::TestParamInfo<Thrown>& info) { return info.param.name; });

TEST(ShowFailure, EndsAMouseGrabAndGivesTheFocusBack) {
  auto form = testing::StartedForm();
  RecordingPresenter presenter;
  form->edt1->setFocus();
  form->grp1->grabMouse();
  presenter.during_present = [&] { form->Memo1->setFocus(); };
  ShowFailure(Exception("x"));
  EXPECT_EQ(presenter.grabber_while_shown, nullptr);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), form->edt1);
}

}  // namespace
}  // namespace t2j
