// Helpers shared by the window tests.
#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/failure_display.h"
#include "app/form1.h"

namespace t2j::testing {

// Catches what the failure display would show, instead of a modal box.
class RecordingPresenter : public FailurePresenter {
 public:
  RecordingPresenter() : previous_(SetFailurePresenter(this)) {}
  ~RecordingPresenter() override { SetFailurePresenter(previous_); }

  void Present(const QString& caption, const QString& text) override {
    captions.push_back(caption);
    texts.push_back(text);
    grabber_while_shown = QWidget::mouseGrabber();
    if (during_present) during_present();
  }

  std::vector<QString> captions;
  std::vector<QString> texts;
  QWidget* grabber_while_shown = nullptr;
  std::function<void()> during_present;

 private:
  FailurePresenter* previous_;
};

// A fresh temporary directory that is the current directory while the object lives.
class CurrentTempDir {
 public:
  CurrentTempDir();
  ~CurrentTempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// The font list the tests give the window.
const std::vector<std::string>& FakeFontNames();

// A main window after FormCreate, shown and active, as a fresh start leaves it.
std::unique_ptr<TForm1> StartedForm();

// Handles events until the window's conversion, and every cancelled one, has ended.
void WaitForConversion(TForm1& form);

// Presses the convert button and waits for the conversion's end.
void Convert(TForm1& form);

}  // namespace t2j::testing
