#include "app/form1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QVBoxLayout>
#include <cmath>

#include "app/accessibility.h"
#include "app/app_pictures.h"
#include "app/conversion.h"
#include "app/failure_display.h"
#include "app/key_filter.h"
#include "app/preview_image.h"
#include "app/window_font.h"
#include "app/window_metrics.h"
#include "convert/render_settings.h"
#include "widgets/colour_picker/color_combo_box.h"

namespace t2j {
namespace {

const char* const kMemoLines[] = {
    "说明：",
    "   1 转换的文本宽度是根据本输入框输入的文字和设置的字体大小来决定的。",
    "   2 生成的JPG文件自动保存在软件运行目录。",
    "   3 字体、大小、文字颜色、行距和页边距可在【属性设置】中选择。",
    "   4 勾选【预览】后，转换生成的图片会显示在下方的预览框中。",
    "",
    "   请输入转换的文本内容，然后按【转换】按纽！",
};

const QStringList kFontSizeItems = {"8",  "9",  "10", "11", "12", "14", "16", "18", "22", "24",
                                    "26", "28", "30", "32", "34", "36", "38", "40", "44", "48",
                                    "50", "55", "60", "65", "70", "80", "90", "100"};
const QStringList kPixelItems = {"0", "2", "3", "4", "5", "6", "7", "8", "9", "10", "20", "30"};

// The extent of the client area's controls when the window is laid out with the preview
// hidden (nothing reaches further than the convert button) and shown (the preview pane).
constexpr int kPreviewOffHeight = kBtn1Rect.bottom() + 1;
constexpr int kPreviewOnHeight = kScrlbx1Rect.bottom() + 1;

int32_t ScreenPixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return kDefaultPixelsPerInch;
  const double dpi = screen->logicalDotsPerInchY();
  if (!(dpi >= 1 && dpi <= 10000)) return kDefaultPixelsPerInch;
  return static_cast<int32_t>(std::lround(dpi));
}

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

std::string Utf8(const QString& text) { return text.toStdString(); }

// A label sized as an auto-sized one: its place from the layout, wide and high enough for its
// text in the window's font.
QLabel* MakeLabel(QWidget* parent, const QRect& rect, const char* text) {
  auto* label = new QLabel(Q(text), parent);
  const QSize fit = label->sizeHint();
  label->setGeometry(rect.left(), rect.top(), std::max(rect.width(), fit.width()),
                     std::max(rect.height(), label->fontMetrics().height()));
  return label;
}

// The rows of an open list with the style's padding around their text: the bare glyph height
// makes the rows touch.
class PaddedRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const int padding = style->pixelMetric(QStyle::PM_FocusFrameVMargin, &option, option.widget);
    size.setHeight(std::max(size.height(), option.fontMetrics.height() + 2 * (padding + 1)));
    return size;
  }
};

QComboBox* MakeCombo(QWidget* parent, const QRect& rect, const QStringList& items) {
  auto* combo = new QComboBox(parent);
  combo->setItemDelegate(new PaddedRowDelegate(combo));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->setMaxVisibleItems(kComboVisibleItems);
  combo->addItems(items);
  combo->setGeometry(rect);
  // Typed characters never reach the field, composed ones neither; drops are no typing either.
  combo->setAttribute(Qt::WA_InputMethodEnabled, false);
  combo->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
  combo->lineEdit()->setAcceptDrops(false);
  // Qt would make the entry that matches the text current when the field loses the focus; the
  // current entry moves only when the user steps or picks.
  QObject::disconnect(combo->lineEdit(), SIGNAL(editingFinished()), combo,
                      SLOT(_q_editingFinished()));
  return combo;
}

// The open list is as wide as its widest entry, never narrower than the field.
void FitListWidth(QComboBox& combo) {
  QAbstractItemView* view = combo.view();
  const int widest = std::max(view->sizeHintForColumn(0), 0);
  const int scroll_bar = combo.count() > combo.maxVisibleItems()
                             ? view->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                             : 0;
  view->setMinimumWidth(widest + scroll_bar + 2 * view->frameWidth());
}

// True for a shortcut that the key filter would discard as a typed character (Ctrl+C...).
bool IsDiscardedShortcut(const QKeyCombination& keys) {
  const QKeyEvent press(QEvent::KeyPress, keys.key(), keys.keyboardModifiers());
  return IsCharacterInput(press);
}

// A field's own context menu, without the shortcuts that the key filter takes away.
void ShowFilteredEditMenu(QLineEdit& edit, const QPoint& global_position) {
  QMenu* menu = edit.createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (QAction* action : menu->actions()) {
    const QString text = action->text();
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0) continue;
    const QKeySequence keys(text.mid(tab + 1), QKeySequence::NativeText);
    if (keys.count() == 1 && IsDiscardedShortcut(keys[0])) action->setText(text.left(tab));
  }
  menu->popup(global_position);
}

void SetAccessibleName(QWidget* widget, const char* name) { widget->setAccessibleName(Q(name)); }

}  // namespace

std::string MemoText(const QPlainTextEdit& memo) {
  // toPlainText would turn no-break spaces into plain ones; the raw text keeps them.
  QString text = memo.document()->toRawText();
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  }
  return Utf8(text);
}

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
  // Before any control exists: Qt keeps the first interface it makes for an object.
  InstallWindowAccessibility();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(Q(kWindowCaption));
  setWindowIcon(ProgramIcon());
  // What a taskbar shows for the window: the application's title, not the caption.
  setWindowIconText(Q(kApplicationTitle));
  setFont(WindowFont());
  pixels_per_inch_ = ScreenPixelsPerInch();
  BuildControls();
  // The layout's own height; FormCreate sets the normal one.
  resize(kClientWidth, 479 - kFrameTop - kFrameBottom);
  PlaceOnScreen();
  progress_timer_.setInterval(100);
  connect(&progress_timer_, &QTimer::timeout, this, [this] { ShowProgress(); });
}

QPoint PlaceWindow(const QPoint& wanted, const QSize& frame, const QRect& available) {
  if (!available.isValid()) return wanted;
  const auto fit = [](int start, int length, int area_start, int area_length) {
    if (length >= area_length) return area_start;
    return std::clamp(start, area_start, area_start + area_length - length);
  };
  return {fit(wanted.x(), frame.width(), available.x(), available.width()),
          fit(wanted.y(), frame.height(), available.y(), available.height())};
}

// The layout's place, unless the frame would not fit into the screen's available area there.
// The frame is not known before the window is shown; the layout's frame stands in for it.
void TForm1::PlaceOnScreen() {
  QScreen* screen = QGuiApplication::screenAt(kWindowPosition);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QSize frame(kFrameLeft + kClientWidth + kFrameRight,
                    kFrameTop + kNormalClientHeight + kFrameBottom);
  move(PlaceWindow(kWindowPosition, frame, screen ? screen->availableGeometry() : QRect()));
}

TForm1::~TForm1() {
  // Waits for the threads: a conversion in its encoder stops at its next row.
  if (conversion_) conversion_->Cancel();
  conversion_.reset();
  cancelled_.clear();
}

void TForm1::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  client_scroller_ = new QScrollArea(this);
  client_scroller_->setFrameShape(QFrame::NoFrame);
  client_scroller_->setFocusPolicy(Qt::NoFocus);
  client_scroller_->setWidgetResizable(true);
  layout->addWidget(client_scroller_);
  client_ = new QWidget;
  client_->setObjectName(QStringLiteral("client"));
  client_scroller_->setWidget(client_);
  client_->installEventFilter(this);

  Memo1 = new QPlainTextEdit(client_);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setTabChangesFocus(true);
  QStringList memo_lines;
  for (const char* line : kMemoLines) memo_lines << Q(line);
  Memo1->setPlainText(memo_lines.join(u'\n'));
  Memo1->setGeometry(0, 0, kClientWidth, kMemoHeight);

  grp1 = new QGroupBox(Q("属性设置"), client_);
  grp1->setObjectName(QStringLiteral("grp1"));
  grp1->setGeometry(kGrp1Rect);

  lbl1 = MakeLabel(grp1, kLbl1Rect, "字体");
  cbb1 = MakeCombo(grp1, kCbb1Rect, {});
  cbb1->setObjectName(QStringLiteral("cbb1"));
  cbb1->setEditText(QStringLiteral("cbb1"));
  lbl2 = MakeLabel(grp1, kLbl2Rect, "大小");
  cbb2 = MakeCombo(grp1, kCbb2Rect, kFontSizeItems);
  cbb2->setObjectName(QStringLiteral("cbb2"));
  lbl3 = MakeLabel(grp1, kLbl3Rect, "文字颜色");
  cbb3 = new TcxColorComboBox(grp1);
  cbb3->setObjectName(QStringLiteral("cbb3"));
  cbb3->setGeometry(kCbb3Rect);
  // What reading the box's stored description does: its colour list is prepared.
  cbb3->Properties().SetPrepareInfo("");
  cbb3->SetOnKeyPress([this](char32_t& key) { RunGuarded([&] { cbb1KeyPress(cbb3, key); }); });
  lbl4 = MakeLabel(grp1, kLbl4Rect, "行距");
  cbb4 = MakeCombo(grp1, kCbb4Rect, kPixelItems);
  cbb4->setObjectName(QStringLiteral("cbb4"));
  lbl5 = MakeLabel(grp1, kLbl5Rect, "页边距");
  cbb5 = MakeCombo(grp1, kCbb5Rect, kPixelItems);
  cbb5->setObjectName(QStringLiteral("cbb5"));

  img2 = new QLabel(grp1);
  img2->setObjectName(QStringLiteral("img2"));
  img2->setGeometry(kImg2Rect);
  img2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  img2->setPixmap(LogoPicture());

  lbl6 = MakeLabel(grp1, kLbl6Rect, "生成的文件名");
  edt1 = new QLineEdit(QStringLiteral("Picture"), grp1);
  edt1->setObjectName(QStringLiteral("edt1"));
  edt1->setGeometry(kEdt1Rect);
  lbl7 = MakeLabel(grp1, kLbl7Rect, ".JPG");
  chk1 = new QCheckBox(Q("文件名自动递增"), grp1);
  chk1->setObjectName(QStringLiteral("chk1"));
  chk1->setGeometry(kChk1Rect);
  // Qt's three-state cycle is the one wanted: unchecked, grey, checked, unchecked...
  chk1->setTristate(true);
  chk1->setCheckState(Qt::Checked);

  chk3 = new QCheckBox(Q("预览"), client_);
  chk3->setObjectName(QStringLiteral("chk3"));
  chk3->setGeometry(kChk3Rect);
  connect(chk3, &QCheckBox::toggled, this, [this] { chk3Click(); });
  connect(chk1, &QCheckBox::stateChanged, this, [this] { AnnounceCheckState(*chk1); });

  scrlbx1 = new QScrollArea(client_);
  scrlbx1->setObjectName(QStringLiteral("scrlbx1"));
  scrlbx1->setGeometry(kScrlbx1Rect);
  scrlbx1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  scrlbx1->setFocusPolicy(Qt::NoFocus);
  scrlbx1->setWidgetResizable(false);
  img1 = new TPreviewImage;
  img1->setObjectName(QStringLiteral("img1"));
  img1->setGeometry(kImg1Rect);
  scrlbx1->setWidget(img1);

  btn1 = new QPushButton(Q("转换"), client_);
  btn1->setObjectName(QStringLiteral("btn1"));
  btn1->setGeometry(kBtn1Rect);
  btn1->setIcon(QIcon(ButtonPicture()));
  btn1->setIconSize(kButtonPictureSize);
  btn1->setAutoDefault(true);  // Enter clicks it while it has the focus
  connect(btn1, &QPushButton::clicked, this, [this] { btn1Click(); });

  progress = new QProgressBar(client_);
  progress->setObjectName(QStringLiteral("progress"));
  progress->setGeometry(kProgressRect);
  progress->setTextVisible(true);
  progress->hide();

  filtered_combos_ = {cbb1, cbb2, cbb4, cbb5};
  for (QComboBox* combo : filtered_combos_) {
    combo->installEventFilter(this);
    combo->lineEdit()->installEventFilter(this);
  }

  QWidget* const tab_order[] = {Memo1, cbb1, cbb2, cbb3, cbb4, cbb5, edt1, chk1, chk3, btn1};
  for (size_t i = 1; i < std::size(tab_order); ++i) {
    QWidget::setTabOrder(tab_order[i - 1], tab_order[i]);
  }
  Memo1->setFocus(Qt::OtherFocusReason);
  SetAccessibleNames();
  UpdateClientExtent();
}

void TForm1::SetAccessibleNames() {
  // Each label is its box's buddy, so screen readers find the label that names the box.
  lbl1->setBuddy(cbb1);
  lbl2->setBuddy(cbb2);
  lbl3->setBuddy(cbb3);
  lbl4->setBuddy(cbb4);
  lbl5->setBuddy(cbb5);
  lbl6->setBuddy(edt1);
  SetAccessibleName(Memo1, "输入文本");
  SetAccessibleName(grp1, "属性设置");
  SetAccessibleName(cbb1, "字体");
  SetAccessibleName(cbb2, "大小");
  SetAccessibleName(cbb3, "文字颜色");
  SetAccessibleName(cbb4, "行距");
  SetAccessibleName(cbb5, "页边距");
  SetAccessibleName(img2, "标志");
  SetAccessibleName(edt1, "生成的文件名");
  SetAccessibleName(chk1, "文件名自动递增");
  SetAccessibleName(chk3, "预览");
  SetAccessibleName(scrlbx1, "预览区");
  SetAccessibleName(img1, "预览图片");
  SetAccessibleName(btn1, "转换");
  SetAccessibleName(progress, "转换进度");
}

void TForm1::FormCreate(const std::vector<std::string>& font_names) {
  RunGuarded([&] {
    cbb1->clear();
    QStringList names;
    names.reserve(static_cast<qsizetype>(font_names.size()));
    for (const std::string& name : font_names) names << QString::fromStdString(name);
    cbb1->addItems(names);
    cbb1->setCurrentIndex(-1);
    FitListWidth(*cbb1);
    cbb1->setEditText(QString::fromUtf8(kDefaultFontName.data(),
                                        static_cast<qsizetype>(kDefaultFontName.size())));
    cbb2->setEditText(QString::number(kDefaultFontSize));
    cbb5->setEditText(QString::number(kDefaultMargin));
    cbb4->setEditText(QString::number(kDefaultLineSpacing));
    cbb3->SetColorValue(kDefaultTextColor);
    scrlbx1->hide();
    SetClientHeight(kNormalClientHeight);
  });
}

void TForm1::btn1Click() {
  RunGuarded([this] {
    if (conversion_) {
      CancelConversion();
    } else {
      StartConversion();
    }
  });
}

void TForm1::StartConversion() {
  ReapCancelled();
  ConversionRequest request;
  request.settings =
      ReadRenderSettings(Utf8(cbb1->currentText()), Utf8(cbb2->currentText()), cbb3->ColorValue(),
                         Utf8(cbb4->currentText()), Utf8(cbb5->currentText()));
  request.text = MemoText(*Memo1);
  request.pixels_per_inch = pixels_per_inch_;
  // The name is built now, from the fields as they are; the number counts as used once the
  // conversion has laid out its picture and goes on to the file.
  state_after_ = state_;
  request.file_name =
      NextOutputFileName(Utf8(edt1->text()), chk1->checkState() == Qt::Checked, state_after_);
  preview_after_ = chk3->isChecked();
  request.laid_out = laid_out_hook_;
  QPointer<TForm1> self(this);
  conversion_ = std::make_unique<Conversion>(std::move(request), [self] {
    QMetaObject::invokeMethod(
        self, [self] {
          if (self) RunGuarded([&] { self->ConversionFinished(); });
        },
        Qt::QueuedConnection);
  });
  btn1->setText(Q("取消"));
  btn1->setAccessibleName(Q("取消"));
  conversion_clock_.start();
  progress_timer_.start();
}

void TForm1::CancelConversion() {
  if (!conversion_) return;
  // A conversion that has written its file already ends as it is.
  if (conversion_->Finished()) {
    ConversionFinished();
    return;
  }
  conversion_->Cancel();
  // As after a failure while the file is written: the number stays used.
  state_ = state_after_;
  cancelled_.push_back(std::move(conversion_));
  ConversionFinished();
}

void TForm1::ConversionFinished() {
  ReapCancelled();
  if (conversion_) {
    if (!conversion_->Finished()) return;
    const std::unique_ptr<Conversion> done = std::move(conversion_);
    if (done->Writing()) state_ = state_after_;
    if (const std::exception_ptr failure = done->Failure()) {
      progress_timer_.stop();
      progress->hide();
      btn1->setText(Q("转换"));
      btn1->setAccessibleName(Q("转换"));
      std::rethrow_exception(failure);
    }
    if (preview_after_) img1->SetPicture(done->Picture());
    scrlbx1->repaint();
  }
  progress_timer_.stop();
  progress->hide();
  btn1->setText(Q("转换"));
  btn1->setAccessibleName(Q("转换"));
}

size_t TForm1::EndingConversions() const {
  return static_cast<size_t>(std::count_if(cancelled_.begin(), cancelled_.end(),
                                           [](const auto& c) { return !c->Finished(); }));
}

void TForm1::ReapCancelled() {
  std::erase_if(cancelled_, [](const std::unique_ptr<Conversion>& c) { return c->Finished(); });
}

void TForm1::ShowProgress() {
  ReapCancelled();
  if (!conversion_ || conversion_clock_.elapsed() < kProgressDelayMs) return;
  const int32_t height = conversion_->Height();
  if (height <= 0) {
    progress->setRange(0, 0);
    progress->setFormat(Q("正在排版文本…"));
  } else {
    progress->setRange(0, height);
    progress->setValue(conversion_->RowsDone());
    progress->setFormat(Q("已绘制并编码 %v / %m 行"));
  }
  progress->show();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && conversion_) {
    RunGuarded([this] { CancelConversion(); });
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TForm1::chk3Click() {
  RunGuarded([this] {
    if (chk3->isChecked()) {
      scrlbx1->show();
      SetClientHeight(kPreviewClientHeight);
    } else {
      scrlbx1->hide();
      SetClientHeight(kNormalClientHeight);
    }
  });
}

bool TForm1::cbb1KeyPress(QObject* sender, const QKeyEvent& key) {
  if (IsCharacterInput(key)) return true;
  // Windows lets Alt+Up open the list as Alt+Down does; Qt's box only knows Alt+Down.
  if (key.key() == Qt::Key_Up && key.modifiers().testFlag(Qt::AltModifier)) {
    for (QComboBox* combo : filtered_combos_) {
      if (sender == combo || sender == combo->lineEdit()) {
        combo->showPopup();
        return true;
      }
    }
  }
  return false;
}

void TForm1::cbb1KeyPress(QObject*, char32_t& key) { key = 0; }

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    Memo1->setGeometry(0, 0, client_->width(), kMemoHeight);
    return false;
  }
  if (IsFilteredCombo(watched)) {
    if (event->type() == QEvent::KeyPress) {
      bool discard = false;
      RunGuarded([&] { discard = cbb1KeyPress(watched, static_cast<const QKeyEvent&>(*event)); });
      return discard;
    }
    if (event->type() == QEvent::InputMethod) return true;
    if (event->type() == QEvent::ContextMenu) {
      // The box hands a request on its frame to its field directly, past any filter.
      auto* combo = qobject_cast<QComboBox*>(watched);
      QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(watched);
      if (edit != nullptr) {
        RunGuarded([&] {
          ShowFilteredEditMenu(*edit, static_cast<QContextMenuEvent*>(event)->globalPos());
        });
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TForm1::IsFilteredCombo(QObject* object) const {
  for (const QComboBox* combo : filtered_combos_) {
    if (object == combo || object == combo->lineEdit()) return true;
  }
  return false;
}

void TForm1::SetClientHeight(int height) {
  UpdateClientExtent();
  resize(width(), height);
}

// Memo1 follows the width, so only its height counts; the other visible controls count whole.
void TForm1::UpdateClientExtent() {
  const bool preview = !scrlbx1->isHidden();
  const int width = preview ? kScrlbx1Rect.right() + 1 : kGrp1Rect.right() + 1;
  client_->setMinimumSize(width, preview ? kPreviewOnHeight : kPreviewOffHeight);
}

}  // namespace t2j
