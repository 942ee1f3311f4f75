// The main window: the input box, the settings, the convert button and the preview.
#pragma once

#include <QWidget>
#include <cstdint>
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
class QPushButton;
class QScrollArea;

namespace t2j {

class TcxColorComboBox;
class TPreviewImage;

class TForm1 : public QWidget, public PreviewSink {
  Q_OBJECT

 public:
  // Builds the window hidden, with every control at its place of the layout. The start-up
  // values come from FormCreate.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Sets the start-up values: the font list into cbb1 (its texts UTF-8), the field texts, the
  // colour, the preview pane hidden and the normal height. A failure is shown and ends it.
  void FormCreate(const std::vector<std::string>& font_names);

  // The convert command. Failures are shown; the button is enabled again however it ends.
  void btn1Click();

  // Shows or hides the preview pane with the window height that goes with it.
  void chk3Click();

  // The key filter of the editable combo boxes: true when the key is a typed character, which
  // is then discarded.
  bool cbb1KeyPress(QObject* sender, const QKeyEvent& key);
  // The same handler for the colour box, which hands over each typed character: it becomes 0.
  void cbb1KeyPress(QObject* sender, char32_t& key);

  // PreviewSink
  void SetPreviewPicture(const RenderedPicture& picture) override;
  void RepaintPreview() override;

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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void SetAccessibleNames();
  void Convert();
  void SetClientHeight(int height);
  void UpdateClientExtent();
  bool IsFilteredCombo(QObject* object) const;

  QScrollArea* client_scroller_ = nullptr;
  QWidget* client_ = nullptr;
  std::vector<QComboBox*> filtered_combos_;
  PictureFileState state_;
  int32_t pixels_per_inch_ = 96;
};

// The text of the input box as UTF-8, its line breaks as "\n" and every other character kept
// as typed (a no-break space stays one).
std::string MemoText(const QPlainTextEdit& memo);

}  // namespace t2j
