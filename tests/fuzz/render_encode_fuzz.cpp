// A small picture rendered whole and in bands of any height: the same JPEG bytes, which decode
// at the picture's size.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/jpeg_test_support.h"
#include "convert/render_text.h"
#include "platform/failure.h"
#include "platform/gb18030.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  t2j::RenderSettings settings;
  settings.FontName = data[0] & 1 ? "宋体" : "DejaVu Sans";
  settings.FontSize = 1 + data[0] / 2 % 30;
  settings.LineSpacing = static_cast<int8_t>(data[1]) % 20;
  settings.Margin = static_cast<int8_t>(data[2]) % 30;
  const int32_t band_rows = data[3] % 40;
  std::string_view text(reinterpret_cast<const char*>(data + 4), std::min<size_t>(size - 4, 120));
  text = text.substr(0, t2j::ValidUtf8Prefix(text));
  const std::vector<std::string> lines = t2j::InputLines(text);

  std::string whole;
  std::string banded;
  t2j::RenderedPicture picture;
  try {
    picture = t2j::RenderText(lines, settings, t2j::SystemFontEngine(), 96);
    t2j::EncodeJpeg(picture, whole);
    const t2j::TextLayout layout(lines, settings, t2j::SystemFontEngine(), 96);
    t2j::BandedRows rows(layout, band_rows);
    t2j::EncodeJpeg(layout.Width(), layout.Height(), rows, banded);
  } catch (const t2j::Exception&) {
    return 0;  // a size the settings make impossible: a message, which is fine
  }
  if (whole != banded) std::abort();
  if (picture.Empty()) {
    if (!whole.empty()) std::abort();
    return 0;
  }
  const auto decoded = t2j::testing::DecodeJpeg(whole);
  if (!decoded || decoded->width != picture.Width || decoded->height != picture.Height) {
    std::abort();
  }
  return 0;
}
