#include "convert/png_image.h"

#include <png.h>

#include <csetjmp>
#include <exception>

#include "convert/failure_text.h"
#include "convert/jpeg_image.h"
#include "platform/file_output.h"
#include "platform/messages.h"
#include "platform/raster.h"

namespace t2j {
namespace {

// One compression: libpng's write structures, destroyed with the holder however Run ends.
class PngWriter {
 public:
  explicit PngWriter(JpegSink& sink) : sink_(sink) {}
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
  ~PngWriter() {
    if (png_ != nullptr) png_destroy_write_struct(&png_, info_ != nullptr ? &info_ : nullptr);
  }

  // libpng's errors come back by longjmp to the setjmp in Run, so between them no object with a
  // destructor may live in that frame; the message is kept in message_, a member.
  void Run(int32_t width, int32_t height, PictureRows& rows) {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    if (png_ == nullptr)
      throw EOutOfResources(Tr(N_("cannot make the PNG encoder: out of memory")));
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr)
      throw EOutOfResources(Tr(N_("cannot make the PNG encoder: out of memory")));
    if (setjmp(png_jmpbuf(png_)) != 0) {
      if (row_failure_) std::rethrow_exception(row_failure_);
      if (sink_failed_) sink_.ThrowFailure();
      throw Exception(Msg(N_("PNG encoding failed: %s"), {message_}));
    }
    png_set_write_fn(png_, this, OnWrite, OnFlush);
    png_set_IHDR(png_, info_, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png_, info_);
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = ReadRow(rows, y);
      if (row == nullptr) png_error(png_, "row");
      // libpng only reads the row.
      png_write_row(png_, const_cast<png_bytep>(row));
    }
    png_write_end(png_, nullptr);
  }

 private:
  static PngWriter& Of(png_structp png) { return *static_cast<PngWriter*>(png_get_io_ptr(png)); }

  // A row that fails to draw ends the encoding with its own failure.
  const uint8_t* ReadRow(PictureRows& rows, int32_t y) noexcept {
    try {
      return rows.Row(y);
    } catch (...) {
      row_failure_ = std::current_exception();
      return nullptr;
    }
  }

  [[noreturn]] static void OnError(png_structp png, png_const_charp message) {
    auto& self = *static_cast<PngWriter*>(png_get_error_ptr(png));
    try {
      self.message_ = message != nullptr ? message : "";
    } catch (const std::exception&) {
    }
    png_longjmp(png, 1);
  }
  static void OnWarning(png_structp, png_const_charp) {}

  static void OnWrite(png_structp png, png_bytep bytes, png_size_t count) {
    PngWriter& self = Of(png);
    bool taken = false;
    try {
      taken = self.sink_.Put(bytes, count);
    } catch (...) {
      self.row_failure_ = std::current_exception();
    }
    // Not from inside the handler: the jump would leave the exception behind.
    if (!taken) {
      self.sink_failed_ = true;
      png_error(png, "write");
    }
  }
  static void OnFlush(png_structp) {}

  JpegSink& sink_;
  bool sink_failed_ = false;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::string message_;
  std::exception_ptr row_failure_;
};

}  // namespace

void EncodePng(int32_t width, int32_t height, PictureRows& rows, JpegSink& sink) {
  if (TooLargeForPng(width, height)) {
    throw Exception(
        Msg(N_("cannot make a PNG picture of %s × %s pixels: a side may have at most "
               "%s pixels"),
            {std::to_string(width), std::to_string(height), std::to_string(kMaxPngSide)}));
  }
  if (width <= 0 || height <= 0) return;
  PngWriter writer(sink);
  writer.Run(width, height, rows);
}

void EncodePng(int32_t width, int32_t height, PictureRows& rows, std::string& stream) {
  class StringSink final : public JpegSink {
   public:
    explicit StringSink(std::string& stream) : stream_(stream) {}
    bool Put(const uint8_t* bytes, size_t count) override {
      stream_.append(reinterpret_cast<const char*>(bytes), count);
      return true;
    }
    [[noreturn]] void ThrowFailure() override {
      throw EOutOfResources(Tr(N_("cannot make the PNG encoder: out of memory")));
    }

   private:
    std::string& stream_;
  };
  stream.clear();
  StringSink sink(stream);
  try {
    EncodePng(width, height, rows, sink);
  } catch (...) {
    stream.clear();
    throw;
  }
}

void SavePngFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                 const JpegFileOptions& options) {
  SaveEncodedFile(path, options,
                  [&](JpegSink& sink) { EncodePng(width, height, rows, sink); });
}

}  // namespace t2j
