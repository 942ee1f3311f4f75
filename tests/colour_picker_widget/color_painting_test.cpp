// The swatch, the closed box's layout and content, and the list rows, painted onto images.
#include <QFontMetrics>

#include "tests/colour_picker_widget/widget_test_support.h"
#include "widgets/colour_picker/color_painting.h"

namespace t2j {
namespace {

using widget_testing::At;
using widget_testing::Drawn;
using widget_testing::Inverted;
using widget_testing::Named;
using widget_testing::Painted;
using widget_testing::WindowLikeFont;

constexpr ColorValue kFrame = 0xFF000010u;  // button shadow
constexpr ColorValue kFill = 0x00123456u;
constexpr ColorValue kBackground = 0xFF000005u;

std::unique_ptr<ColorComboModel> StartedModel() {
  auto model = std::make_unique<ColorComboModel>();
  model->Properties().SetPrepareInfo("");
  model->SetColorValue(0x00008000);
  return model;
}

// Whether every pixel of the ring along the inside edge of `rect` has `rgb`.
::testing::AssertionResult RingIs(const QImage& image, const QRect& rect, QRgb rgb) {
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const bool edge =
          x == rect.left() || x == rect.right() || y == rect.top() || y == rect.bottom();
      if (edge && At(image, x, y) != rgb) {
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex
                                             << At(image, x, y) << ", not " << rgb;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

int CountInRect(const QImage& image, const QRect& rect, QRgb rgb) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) count += At(image, x, y) == rgb;
  }
  return count;
}

class SystemColorsGuard : public ::testing::Test {
 protected:
  ~SystemColorsGuard() override { ResetSysColors(); }
};

// --- DrawColorBox ---

enum class Field { kFill, kBackground, kHatch };

struct SwatchCase {
  const char* name;
  TcxDefaultColorStyle style;
  Field field;
};

class ColorBoxStyleTest : public ::testing::TestWithParam<SwatchCase> {};

TEST_P(ColorBoxStyleTest, RingsOfBackgroundAndFrameAroundTheStyledField) {
  const SwatchCase& c = GetParam();
  const QRect swatch(3, 2, 30, 16);
  const QImage image = Painted({40, 20}, [&](QPainter& painter) {
    DrawColorBox(painter, swatch, kFrame, kFill, kBackground, c.style);
  });
  EXPECT_TRUE(RingIs(image, swatch, Drawn(kBackground)));
  EXPECT_TRUE(RingIs(image, swatch.adjusted(1, 1, -1, -1), Drawn(kFrame)));
  const QRect field = swatch.adjusted(2, 2, -2, -2);
  ASSERT_EQ(field.size(), QSize(26, 12));
  const int fill = CountInRect(image, field, Drawn(kFill));
  const int background = CountInRect(image, field, Drawn(kBackground));
  switch (c.field) {
    case Field::kFill:
      EXPECT_EQ(fill, 26 * 12);
      break;
    case Field::kBackground:
      EXPECT_EQ(background, 26 * 12);
      break;
    case Field::kHatch:
      EXPECT_EQ(fill + background, 26 * 12);
      EXPECT_GT(fill, 26 * 12 / 8);
      EXPECT_GT(background, 26 * 12 / 2);
      // Lines of both diagonals: every hatch pixel has a neighbour on a diagonal.
      for (int y = field.top() + 1; y < field.bottom(); ++y) {
        for (int x = field.left() + 1; x < field.right(); ++x) {
          if (At(image, x, y) != Drawn(kFill)) continue;
          const bool falling =
              At(image, x - 1, y - 1) == Drawn(kFill) || At(image, x + 1, y + 1) == Drawn(kFill);
          const bool rising =
              At(image, x + 1, y - 1) == Drawn(kFill) || At(image, x - 1, y + 1) == Drawn(kFill);
          EXPECT_TRUE(falling || rising) << x << "," << y;
        }
      }
      break;
  }
  // Nothing outside the swatch.
  EXPECT_EQ(At(image, swatch.left() - 1, swatch.top()), qRgb(1, 2, 3));
  EXPECT_EQ(At(image, swatch.right() + 1, swatch.bottom()), qRgb(1, 2, 3));
  EXPECT_EQ(At(image, swatch.left(), swatch.bottom() + 1), qRgb(1, 2, 3));
}

INSTANTIATE_TEST_SUITE_P(Styles, ColorBoxStyleTest,
                         ::testing::Values(SwatchCase{"Clear", cxdcClear, Field::kBackground},
                                           SwatchCase{"Color", cxdcColor, Field::kFill},
                                           SwatchCase{"Hatched", cxdcHatched, Field::kHatch},
                                           SwatchCase{"Text", cxdcText, Field::kFill},
                                           SwatchCase{"Custom", cxdcCustom, Field::kFill}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ColorBoxTest, EmptyOrTinyRectanglesDrawOnlyWhatFits) {
  const QImage empty = Painted({8, 8}, [](QPainter& painter) {
    DrawColorBox(painter, QRect(2, 2, 0, 5), kFrame, kFill, kBackground, cxdcColor);
    DrawColorBox(painter, QRect(2, 2, 5, 0), kFrame, kFill, kBackground, cxdcHatched);
  });
  EXPECT_EQ(CountInRect(empty, empty.rect(), qRgb(1, 2, 3)), 64);

  const QImage three = Painted({8, 8}, [](QPainter& painter) {
    DrawColorBox(painter, QRect(1, 1, 3, 3), kFrame, kFill, kBackground, cxdcHatched);
  });
  EXPECT_TRUE(RingIs(three, QRect(1, 1, 3, 3), Drawn(kBackground)));
  EXPECT_EQ(At(three, 2, 2), Drawn(kFrame));
}

TEST_F(SystemColorsGuard, SwatchColoursResolveThroughThePlatformTable) {
  SetSysColor(16, MakeColorValue(10, 20, 30));
  SetSysColor(15, MakeColorValue(200, 100, 50));
  const QImage image = Painted({30, 16}, [](QPainter& painter) {
    DrawColorBox(painter, QRect(0, 0, 30, 16), kFrame, 0xFF00000Fu, kBackground, cxdcColor);
  });
  EXPECT_EQ(At(image, 1, 1), qRgb(10, 20, 30));
  EXPECT_EQ(At(image, 15, 8), qRgb(200, 100, 50));
}

// --- The focus rectangle ---

TEST(FocusRectTest, EveryOtherPixelOfTheEdgeIsInvertedAndTwiceTakesItAway) {
  const QRect rect(2, 3, 9, 6);
  QImage image = Painted({14, 12}, [&](QPainter& painter) {
    painter.fillRect(QRect(0, 0, 14, 12), QColor(200, 100, 50));
    DrawFocusRect(painter, rect);
  });
  const QRgb plain = qRgb(200, 100, 50);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 14; ++x) {
      const bool edge = rect.contains(x, y) && (x == rect.left() || x == rect.right() ||
                                                y == rect.top() || y == rect.bottom());
      const QRgb expected = edge && (x + y) % 2 == 0 ? Inverted(plain) : plain;
      EXPECT_EQ(At(image, x, y), expected) << x << "," << y;
    }
  }
  {
    QPainter painter(&image);
    DrawFocusRect(painter, rect);
  }
  EXPECT_EQ(CountInRect(image, image.rect(), plain), 14 * 12);
}

// --- The closed box ---

struct LayoutCase {
  const char* name;
  TcxColorBoxAlign align;
  bool show_descriptions;
  TcxDefaultColorStyle default_style;
  bool in_list;
  QRect swatch;
  QRect text_part;
};

class ClosedLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ClosedLayoutTest, SwatchAndTextPart) {
  const LayoutCase& c = GetParam();
  TcxColorComboBoxProperties properties;
  properties.SetColorBoxAlign(c.align);
  properties.SetShowDescriptions(c.show_descriptions);
  properties.SetDefaultColorStyle(c.default_style);
  const QRect inner(4, 2, 96, 16);
  const ClosedBoxLayout layout = LayOutClosedBox(inner, properties, c.in_list);
  EXPECT_EQ(layout.swatch.isEmpty() ? QRect() : layout.swatch, c.swatch);
  EXPECT_EQ(layout.text_part, c.text_part);
  EXPECT_EQ(layout.text_rect, c.text_part.adjusted(2, 2, -2, -2));
  EXPECT_EQ(layout.show_text, c.show_descriptions);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ClosedLayoutTest,
    ::testing::Values(
        LayoutCase{"SwatchLeft", cbaLeft, true, cxdcColor, true, {4, 2, 30, 16}, {34, 2, 66, 16}},
        LayoutCase{"SwatchRight", cbaRight, true, cxdcColor, true, {70, 2, 30, 16}, {4, 2, 66, 16}},
        LayoutCase{
            "NoDescriptions", cbaLeft, false, cxdcColor, true, {4, 2, 96, 16}, {4, 2, 96, 16}},
        LayoutCase{"TextStyleOutsideList", cbaLeft, true, cxdcText, false, {}, {4, 2, 96, 16}},
        LayoutCase{
            "TextStyleInList", cbaLeft, true, cxdcText, true, {4, 2, 30, 16}, {34, 2, 66, 16}},
        LayoutCase{"HatchedOutsideList",
                   cbaLeft,
                   true,
                   cxdcHatched,
                   false,
                   {4, 2, 30, 16},
                   {34, 2, 66, 16}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClosedLayoutTest, ASwatchWiderThanTheBoxLeavesNoTextPart) {
  TcxColorComboBoxProperties properties;
  properties.SetColorBoxWidth(500);
  const ClosedBoxLayout layout = LayOutClosedBox(QRect(4, 2, 96, 16), properties, true);
  EXPECT_EQ(layout.swatch, QRect(4, 2, 96, 16));
  EXPECT_TRUE(layout.text_part.isEmpty());
}

TEST(ClosedBoxTest, StartUpShowsTheGreenSwatchAndTheNameInWindowColours) {
  const auto model = StartedModel();
  const QRect inner(4, 2, 96, 16);
  const QImage image =
      Painted({104, 20}, [&](QPainter& painter) { PaintClosedBox(painter, inner, *model, false); });
  const QRect swatch(4, 2, 30, 16);
  EXPECT_TRUE(RingIs(image, swatch, Drawn(kClWindow)));
  EXPECT_TRUE(RingIs(image, swatch.adjusted(1, 1, -1, -1), Drawn(kFrame)));
  EXPECT_EQ(CountInRect(image, swatch.adjusted(2, 2, -2, -2), qRgb(0, 0x80, 0)), 26 * 12);
  const QRect text_part(34, 2, 66, 16);
  const int window = CountInRect(image, text_part, Drawn(kClWindow));
  EXPECT_GT(window, text_part.width() * text_part.height() / 2);
  // Ink of "clGreen" lies within the text rectangle; the rest of T is window colour.
  const QRect text_rect = text_part.adjusted(2, 2, -2, -2);
  int ink = 0;
  for (int y = text_part.top(); y <= text_part.bottom(); ++y) {
    for (int x = text_part.left(); x <= text_part.right(); ++x) {
      if (At(image, x, y) == Drawn(kClWindow)) continue;
      EXPECT_TRUE(text_rect.contains(x, y)) << x << "," << y;
      ++ink;
    }
  }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(At(image, 0, 0), qRgb(1, 2, 3)) << "nothing outside the inner area";
}

TEST(ClosedBoxTest, FocusRectangleGoesAroundTheTextPartShrunkByOne) {
  const auto model = StartedModel();
  model->SetColorValue(0x00FFFFFF);  // clWhite
  const QRect inner(4, 2, 96, 16);
  const QImage unfocused =
      Painted({104, 20}, [&](QPainter& painter) { PaintClosedBox(painter, inner, *model, false); });
  const QImage focused =
      Painted({104, 20}, [&](QPainter& painter) { PaintClosedBox(painter, inner, *model, true); });
  const QRect focus = QRect(34, 2, 66, 16).adjusted(1, 1, -1, -1);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 104; ++x) {
      const bool edge = focus.contains(x, y) && (x == focus.left() || x == focus.right() ||
                                                 y == focus.top() || y == focus.bottom());
      if (edge && (x + y) % 2 == 0) {
        EXPECT_EQ(At(focused, x, y), Inverted(At(unfocused, x, y))) << x << "," << y;
      } else {
        EXPECT_EQ(At(focused, x, y), At(unfocused, x, y)) << x << "," << y;
      }
    }
  }
}

struct ShownCase {
  const char* name;
  std::optional<ColorValue> value;  // empty: Delete
  TcxDefaultColorStyle default_style;
  QRgb field;  // the colour of the swatch's field, or 0 for a hatch
  bool swatch_shown;
};

class ClosedSwatchTest : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ClosedSwatchTest, FieldFollowsTheShownValue) {
  const ShownCase& c = GetParam();
  const auto model = StartedModel();
  model->Properties().SetDefaultColorStyle(c.default_style);
  if (c.value) {
    model->SetColorValue(*c.value);
  } else {
    model->ClearValue();
  }
  const QImage image = Painted({104, 20}, [&](QPainter& painter) {
    PaintClosedBox(painter, QRect(4, 2, 96, 16), *model, false);
  });
  const QRect field(6, 4, 26, 12);
  if (!c.swatch_shown) {
    EXPECT_EQ(At(image, 5, 3), Drawn(kClWindow)) << "no frame ring";
    return;
  }
  EXPECT_TRUE(RingIs(image, field.adjusted(-1, -1, 1, 1), Drawn(kFrame)));
  if (c.field != 0) {
    EXPECT_EQ(CountInRect(image, field, c.field), 26 * 12);
  } else {
    const int hatch = CountInRect(image, field, Drawn(0x00123456u));
    EXPECT_GT(hatch, 0);
    EXPECT_EQ(hatch + CountInRect(image, field, Drawn(kClWindow)), 26 * 12);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ClosedSwatchTest,
    ::testing::Values(
        ShownCase{"Empty", std::nullopt, cxdcColor, Drawn(kClWindow), true},
        ShownCase{"OutsideListColor", 0x00123456u, cxdcColor, Drawn(0x00123456u), true},
        ShownCase{"OutsideListHatched", 0x00123456u, cxdcHatched, 0, true},
        ShownCase{"OutsideListClear", 0x00123456u, cxdcClear, Drawn(kClWindow), true},
        ShownCase{"OutsideListText", 0x00123456u, cxdcText, 0, false},
        ShownCase{"InListHatchedStyle", 0x000000FFu, cxdcHatched, qRgb(255, 0, 0), true},
        ShownCase{"SystemColour", 0xFF00000Fu, cxdcColor, Drawn(0xFF00000Fu), true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Rows of the open list ---

TEST(RowHeightTest, SixteenAndNineteenForTheLastRecentRow) {
  const auto model = StartedModel();
  const QFontMetrics metrics(WindowLikeFont());
  EXPECT_EQ(RowHeight(*model, 0, metrics), 16);
  model->AddMRUColor(Named("clRed"));
  model->AddMRUColor(Named("clBlue"));
  EXPECT_EQ(RowHeight(*model, 0, metrics), 16);
  EXPECT_EQ(RowHeight(*model, 1, metrics), 19);
  EXPECT_EQ(RowHeight(*model, 2, metrics), 16);
  model->Properties().SetItemHeight(20);
  EXPECT_EQ(RowHeight(*model, 0, metrics), 20);
  EXPECT_EQ(RowHeight(*model, 1, metrics), 23);
}

TEST(MeasureDropDownTest, EightRowsOf128PixelsThen131WithARecentColour) {
  const auto model = StartedModel();
  const QFontMetrics metrics(WindowLikeFont());
  DropDownMeasure measure = MeasureDropDown(*model, metrics, 14);
  EXPECT_EQ(measure.visible_rows, 8);
  EXPECT_EQ(measure.list_height, 128);
  EXPECT_TRUE(measure.scroll_bar);
  const int widest = metrics.horizontalAdvance(QStringLiteral("clGradientInactiveCaption"));
  EXPECT_EQ(measure.text_extent, widest + 4 + 30);
  EXPECT_EQ(measure.content_width, widest + 4 + 30 + 14);

  model->AddMRUColor(Named("clRed"));
  measure = MeasureDropDown(*model, metrics, 14);
  EXPECT_EQ(measure.list_height, 131);
  EXPECT_EQ(measure.visible_rows, 8);
}

TEST(MeasureDropDownTest, FewerRowsThanDropDownRowsShowAllWithoutScrollBar) {
  const auto model = StartedModel();
  model->Properties().SetDropDownRows(60);
  const QFontMetrics metrics(WindowLikeFont());
  const DropDownMeasure measure = MeasureDropDown(*model, metrics, 14);
  EXPECT_EQ(measure.visible_rows, 52);
  EXPECT_EQ(measure.list_height, 52 * 16);
  EXPECT_FALSE(measure.scroll_bar);
  EXPECT_EQ(measure.content_width, measure.text_extent);
}

class ListRowTest : public SystemColorsGuard {
 protected:
  QImage PaintRow(const ColorComboModel& model, int row, bool highlighted, QSize size) {
    return Painted(size, [&](QPainter& painter) {
      DrawListRow(painter, QRect(QPoint(0, 0), size), model, row, highlighted, false);
    });
  }
};

TEST_F(ListRowTest, PlainRowHasWindowColoursAndAFramedSwatch) {
  const auto model = StartedModel();
  const QImage image = PaintRow(*model, 9, false, {200, 16});  // clRed
  EXPECT_TRUE(RingIs(image, QRect(0, 0, 30, 16), Drawn(kClWindow)));
  EXPECT_TRUE(RingIs(image, QRect(1, 1, 28, 14), Drawn(kFrame)));
  EXPECT_EQ(CountInRect(image, QRect(2, 2, 26, 12), qRgb(255, 0, 0)), 26 * 12);
  const QRect text_part(30, 0, 170, 16);
  int ink = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 30; x < 200; ++x) ink += At(image, x, y) != Drawn(kClWindow);
  }
  EXPECT_GT(ink, 20);
  EXPECT_GT(CountInRect(image, text_part, Drawn(kClWindow)), 170 * 16 / 2);
}

TEST_F(ListRowTest, HighlightedRowUsesTheHighlightColoursAndTheFocusRectangle) {
  SetSysColor(13, MakeColorValue(10, 40, 160));
  SetSysColor(14, MakeColorValue(250, 250, 10));
  const auto model = StartedModel();
  const QImage image = PaintRow(*model, 9, true, {200, 16});
  const QRgb highlight = qRgb(10, 40, 160);
  // The swatch's outer ring is the row's background, where the focus rectangle leaves it.
  EXPECT_EQ(At(image, 0, 1), highlight);
  EXPECT_EQ(At(image, 0, 0), Inverted(highlight));
  EXPECT_EQ(At(image, 1, 0), highlight);
  EXPECT_EQ(At(image, 199, 15), Inverted(highlight));
  EXPECT_EQ(At(image, 198, 15), highlight);
  EXPECT_EQ(At(image, 1, 1), Drawn(kFrame));
  EXPECT_EQ(At(image, 10, 8), qRgb(255, 0, 0));
  // The name is drawn in the highlight-text colour (yellow ink over blue).
  int yellowish = 0;
  for (int y = 1; y < 15; ++y) {
    for (int x = 31; x < 199; ++x) {
      const QColor pixel(At(image, x, y));
      yellowish += pixel.red() > 128 && pixel.green() > 128 && pixel.blue() < 100;
    }
  }
  EXPECT_GT(yellowish, 10);
}

TEST_F(ListRowTest, LastRecentRowHasADoubleLineAtItsBottom) {
  const auto model = StartedModel();
  model->AddMRUColor(Named("clRed"));
  ASSERT_EQ(model->LastRecentRow(), 0);
  const QImage plain = PaintRow(*model, 0, false, {200, 19});
  for (int x = 0; x < 200; ++x) {
    EXPECT_EQ(At(plain, x, 16), Drawn(kClWindowText)) << x;  // bottom - 3
    EXPECT_EQ(At(plain, x, 17), Drawn(kClWindow)) << x;
    EXPECT_EQ(At(plain, x, 18), Drawn(kClWindowText)) << x;  // bottom - 1
  }
  // The swatch keeps its 16 pixels above the lines.
  EXPECT_TRUE(RingIs(plain, QRect(1, 1, 28, 14), Drawn(kFrame)));
  EXPECT_EQ(At(plain, 10, 15), Drawn(kClWindow));

  const QImage highlighted = PaintRow(*model, 0, true, {200, 19});
  for (int x = 1; x < 199; ++x) {
    // The focus rectangle's dots lie on the bottom line where x + 18 is even.
    const QRgb bottom = x % 2 == 0 ? Inverted(Drawn(kClWindow)) : Drawn(kClWindow);
    EXPECT_EQ(At(highlighted, x, 16), Drawn(kClWindow)) << x;
    EXPECT_EQ(At(highlighted, x, 17), Drawn(kClHighlight)) << x;
    EXPECT_EQ(At(highlighted, x, 18), bottom) << x;
  }

  const QImage below = PaintRow(*model, 1, false, {200, 16});
  for (int x = 0; x < 200; ++x) EXPECT_EQ(At(below, x, 15), Drawn(kClWindow)) << x;
}

TEST(ElidedRowTextTest, TooWideTextEndsInAnEllipsis) {
  const QFontMetrics metrics(WindowLikeFont());
  const QString name = QStringLiteral("clGradientInactiveCaption");
  EXPECT_EQ(ElidedRowText(metrics, name, metrics.horizontalAdvance(name)), name);
  const QString cut = ElidedRowText(metrics, name, 60);
  EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << cut.toStdString();
  EXPECT_LE(metrics.horizontalAdvance(cut), 60);
  EXPECT_EQ(ElidedRowText(metrics, QStringLiteral("A&B"), 200), QStringLiteral("A&B"));
}

}  // namespace
}  // namespace t2j
