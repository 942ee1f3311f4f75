#include "app/conversion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/render_text.h"
#include "text/font_engine.h"

namespace t2j {
namespace {

// The lines, their layout and the font engine it draws with, kept together for the preview.
class LaidOutText final : public PreviewPicture {
 public:
  LaidOutText(std::vector<std::string> lines, const RenderSettings& settings,
              int32_t pixels_per_inch)
      : lines_(std::move(lines)),
        engine_(NewSystemFontEngine()),
        layout_(lines_, settings, *engine_, pixels_per_inch) {}

  int32_t Width() const override { return layout_.Width(); }
  int32_t Height() const override { return layout_.Height(); }
  void DrawRows(Raster& band, int32_t top) const override { layout_.DrawRows(band, top); }
  const TextLayout& Layout() const { return layout_; }

 private:
  const std::vector<std::string> lines_;
  const std::unique_ptr<FontEngine> engine_;
  const TextLayout layout_;
};

}  // namespace

const uint8_t* CountedRows::Row(int32_t y) {
  if (cancel_.load(std::memory_order_relaxed)) throw EConversionCancelled();
  const uint8_t* row = rows_.Row(y);
  done_.store(y + 1, std::memory_order_relaxed);
  return row;
}

Conversion::Conversion(ConversionRequest request, std::function<void()> finished)
    : request_(std::move(request)), on_finished_(std::move(finished)) {
  thread_ = std::thread([this] { Run(); });
}

Conversion::~Conversion() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void Conversion::Run() {
  try {
    std::vector<std::string> lines = InputLines(request_.text);
    std::string().swap(request_.text);
    auto text = std::make_shared<LaidOutText>(std::move(lines), request_.settings,
                                              request_.pixels_per_inch);
    height_.store(text->Height());
    if (request_.laid_out) request_.laid_out();
    if (Cancelled()) throw EConversionCancelled();
    writing_.store(true);
    BandedRows bands(text->Layout());
    CountedRows rows(bands, cancel_, rows_done_);
    struct stat before {};
    const bool existed = ::lstat(request_.file_name.c_str(), &before) == 0;
    try {
      SaveJpegFile(request_.file_name, text->Width(), text->Height(), rows);
    } catch (const EConversionCancelled&) {
      // The file is made empty before the encoder starts; a cancel leaves no trace of a name
      // that was not there. Another conversion that opened it meanwhile replaces it whole.
      struct stat after {};
      if (!existed && ::lstat(request_.file_name.c_str(), &after) == 0 && S_ISREG(after.st_mode) &&
          after.st_size == 0) {
        ::unlink(request_.file_name.c_str());
      }
      throw;
    }
    picture_ = std::move(text);
  } catch (...) {
    failure_ = std::current_exception();
  }
  finished_.store(true);
  if (on_finished_) on_finished_();
}

}  // namespace t2j
