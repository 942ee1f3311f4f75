// The main window: the input box, the settings, the convert button and the preview.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/save_picture.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace t2j {

class Conversion;
class TcxColorComboBox;
class TPreviewImage;

// Where the window's frame goes: at `wanted` when the frame fits into the screen's available
// area there, otherwise moved just as far as it must to fit (to the area's top-left corner when
// it is larger than the area).
QPoint PlaceWindow(const QPoint& wanted, const QSize& frame, const QRect& available);

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Builds the window hidden, with every control at its place of the layout. The start-up
  // values come from FormCreate.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Sets the start-up values: the font list into cbb1 (its texts UTF-8), the field texts, the
  // colour, the preview pane hidden and the normal height. A failure is shown and ends it.
  void FormCreate(const std::vector<std::string>& font_names);

  // The convert command. It starts a conversion of the text and settings as they are now on a
  // thread of its own; while one runs the button reads "取消" and a press (or Esc) cancels it.
  // Failures are shown when the conversion ends.
  void btn1Click();

  // True while a conversion runs.
  bool Converting() const { return conversion_ != nullptr; }
  // Runs on a conversion's thread once its text is laid out, before its file is written; for
  // those who watch the window (tests).
  void SetLaidOutHook(std::function<void()> hook) { laid_out_hook_ = std::move(hook); }
  // Cancelled conversions still ending on their threads (they write nothing).
  size_t EndingConversions() const;
  // Cancels the running conversion: nothing is written, an existing file keeps its content, and
  // the file number stays used as after a failure.
  void CancelConversion();

  // Shows or hides the preview pane with the window height that goes with it.
  void chk3Click();

  // The key filter of the editable combo boxes: true when the key is a typed character, which
  // is then discarded.
  bool cbb1KeyPress(QObject* sender, const QKeyEvent& key);
  // The same handler for the colour box, which hands over each typed character: it becomes 0.
  void cbb1KeyPress(QObject* sender, char32_t& key);

  int32_t NextFileNumber() const { return state_.NextFileNumber; }
  const std::string& OutputFileName() const { return state_.OutputFileName; }
  int32_t PixelsPerInch() const { return pixels_per_inch_; }

  // The area the controls lie in; it scrolls when the window is smaller than its controls.
  QWidget* ClientArea() const { return client_; }

  QPlainTextEdit* Memo1 = nullptr;
  QGroupBox* grp1 = nullptr;
  QLabel* lbl1 = nullptr;
  QComboBox* cbb1 = nullptr;
  QLabel* lbl2 = nullptr;
  QComboBox* cbb2 = nullptr;
  QLabel* lbl3 = nullptr;
  TcxColorComboBox* cbb3 = nullptr;
  QLabel* lbl4 = nullptr;
  QComboBox* cbb4 = nullptr;
  QLabel* lbl5 = nullptr;
  QComboBox* cbb5 = nullptr;
  QLabel* img2 = nullptr;
  QLabel* lbl6 = nullptr;
  QLineEdit* edt1 = nullptr;
  QLabel* lbl7 = nullptr;
  QCheckBox* chk1 = nullptr;
  QCheckBox* chk3 = nullptr;
  QScrollArea* scrlbx1 = nullptr;
  TPreviewImage* img1 = nullptr;
  QPushButton* btn1 = nullptr;
  // Shows how far a conversion is, once it has run for a while.
  QProgressBar* progress = nullptr;

  // How long a conversion runs before its progress is shown.
  static constexpr int kProgressDelayMs = 500;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void SetAccessibleNames();
  void StartConversion();
  void ConversionFinished();
  void ShowProgress();
  void ReapCancelled();
  void PlaceOnScreen();
  void SetClientHeight(int height);
  void UpdateClientExtent();
  bool IsFilteredCombo(QObject* object) const;

  QScrollArea* client_scroller_ = nullptr;
  QWidget* client_ = nullptr;
  std::vector<QComboBox*> filtered_combos_;
  PictureFileState state_;
  int32_t pixels_per_inch_ = 96;

  // The running conversion, what the file state becomes once it uses its name, and whether its
  // picture goes to the preview.
  std::unique_ptr<Conversion> conversion_;
  std::function<void()> laid_out_hook_;
  PictureFileState state_after_;
  bool preview_after_ = false;
  QElapsedTimer conversion_clock_;
  QTimer progress_timer_;
  // Cancelled conversions that are still ending on their threads.
  std::vector<std::unique_ptr<Conversion>> cancelled_;
};

// The text of the input box as UTF-8, its line breaks as "\n" and every other character kept
// as typed (a no-break space stays one).
std::string MemoText(const QPlainTextEdit& memo);

}  // namespace t2j
