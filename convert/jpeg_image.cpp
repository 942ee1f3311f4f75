#include "convert/jpeg_image.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <exception>

#include "convert/failure_text.h"
#include "convert/uniform_blocks.h"
#include "platform/file_output.h"
#include "platform/messages.h"

namespace t2j {
namespace {

// The failure text shows libjpeg's message code in the numbering of libjpeg 6b. libjpeg-turbo
// built for the 6b interface keeps that numbering for every 6b code and adds its own codes
// after them, so the codes pass through unchanged.
static_assert(JPEG_LIB_VERSION == 62, "built against the libjpeg 6b interface");
static_assert(JERR_IMAGE_TOO_BIG == 41, "libjpeg message codes follow the 6b numbering");

// The stream collected in memory.
class StringSink final : public JpegSink {
 public:
  explicit StringSink(std::string& stream, size_t reserve) : stream_(stream) {
    stream_.clear();
    Reserve(reserve);
  }
  bool Put(const uint8_t* bytes, size_t count) override {
    try {
      if (stream_.capacity() - stream_.size() < count) {
        Reserve(stream_.capacity() / 2 * 3 + count);
      }
      stream_.append(reinterpret_cast<const char*>(bytes), count);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }
  [[noreturn]] void ThrowFailure() override { throw EJPEG(JERR_OUT_OF_MEMORY); }

 private:
  // Gives the stream room for `bytes`, in huge pages when it is large. Without the memory the
  // stream stays as it is, and appending says whether there is room.
  void Reserve(size_t bytes) noexcept {
    try {
      stream_.reserve(bytes);
    } catch (const std::exception&) {
      return;
    }
    AskForHugePages(stream_.data(), stream_.capacity());
  }

  std::string& stream_;
};

// The room first made for a stream in memory. Text compresses to about a quarter of its raw
// bytes at this quality, so half of them rarely needs to grow; only what is written takes memory.
size_t InitialStreamBytes(int32_t width, int32_t height) {
  constexpr uint64_t kMostReserved = uint64_t{256} << 20;
  if (width <= 0 || height <= 0) return 0;
  const uint64_t raw = Raster::ByteSize(width, height);
  return static_cast<size_t>(std::clamp<uint64_t>(raw / 2, kJpegBufferBytes, kMostReserved));
}

// One compression: the compressor with its error manager and its destination, which collects
// the stream in memory. The compressor is destroyed with the holder, however Run ends.
class Compressor {
 public:
  explicit Compressor(JpegSink& sink) : sink_(sink) {
    error_.error_exit = ErrorExit;
    error_.emit_message = EmitMessage;
    error_.output_message = OutputMessage;
    error_.format_message = FormatMessage;
    error_.reset_error_mgr = ResetErrorManager;
    destination_.init_destination = InitDestination;
    destination_.empty_output_buffer = EmptyOutputBuffer;
    destination_.term_destination = TermDestination;
    cinfo_.err = &error_;
    cinfo_.client_data = this;
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // Safe also when creation failed or never ran: the structure starts zeroed.
  ~Compressor() { jpeg_destroy_compress(&cinfo_); }

  // Encodes the picture into the sink, or gives it nothing for an empty picture. libjpeg's
  // fatal errors come back here by longjmp, so between the setjmp and the end of the encoding no
  // object with a destructor may live in this frame.
  void Run(int32_t width, int32_t height, PictureRows& rows, int quality) {
    if (setjmp(jump_) != 0) {
      if (sink_failed_) sink_.ThrowFailure();
      throw EJPEG(error_.msg_code);
    }
    jpeg_create_compress(&cinfo_);
    cinfo_.dest = &destination_;
    if (width <= 0 || height <= 0) return;

    cinfo_.image_width = static_cast<JDIMENSION>(width);
    cinfo_.image_height = static_cast<JDIMENSION>(height);
    cinfo_.input_components = Raster::kBytesPerPixel;
    cinfo_.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo_);
    jpeg_set_quality(&cinfo_, quality, TRUE);
    cinfo_.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&cinfo_, TRUE);
    uniform_blocks_.Install(&cinfo_, ForwardDct);
    while (cinfo_.next_scanline < cinfo_.image_height) {
      // The rows are already 8-bit R, G, B; libjpeg only reads them.
      JSAMPROW row = const_cast<JSAMPROW>(rows.Row(static_cast<int32_t>(cinfo_.next_scanline)));
      if (jpeg_write_scanlines(&cinfo_, &row, 1) != 1) {
        // Only a suspending destination takes no row, and this one never suspends.
        ERREXIT(&cinfo_, JERR_CANT_SUSPEND);
      }
    }
    jpeg_finish_compress(&cinfo_);
  }

 private:
  static Compressor& Of(j_common_ptr cinfo) {
    return *static_cast<Compressor*>(cinfo->client_data);
  }
  static Compressor& Of(j_compress_ptr cinfo) {
    return *static_cast<Compressor*>(cinfo->client_data);
  }

  [[noreturn]] static void ErrorExit(j_common_ptr cinfo) { std::longjmp(Of(cinfo).jump_, 1); }
  static void EmitMessage(j_common_ptr, int) {}
  static void OutputMessage(j_common_ptr) {}
  static void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
  static void ResetErrorManager(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
  }

  static void ForwardDct(j_compress_ptr cinfo, jpeg_component_info* component, JSAMPARRAY samples,
                         JBLOCKROW blocks, JDIMENSION row, JDIMENSION column, JDIMENSION count) {
    Of(cinfo).uniform_blocks_.ForwardDct(cinfo, component, samples, blocks, row, column, count);
  }

  static void InitDestination(j_compress_ptr cinfo) {
    Compressor& self = Of(cinfo);
    self.destination_.next_output_byte = self.buffer_;
    self.destination_.free_in_buffer = kJpegBufferBytes;
  }

  static boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    Compressor& self = Of(cinfo);
    self.Hand(kJpegBufferBytes);
    self.destination_.next_output_byte = self.buffer_;
    self.destination_.free_in_buffer = kJpegBufferBytes;
    return TRUE;
  }

  static void TermDestination(j_compress_ptr cinfo) {
    Compressor& self = Of(cinfo);
    self.Hand(kJpegBufferBytes - self.destination_.free_in_buffer);
  }

  // Hands the buffer's first `count` bytes to the sink; a refusal ends the encoding.
  void Hand(size_t count) {
    if (count > 0 && !sink_.Put(buffer_, count)) {
      sink_failed_ = true;
      std::longjmp(jump_, 1);
    }
  }

  jpeg_compress_struct cinfo_{};
  jpeg_error_mgr error_{};
  jpeg_destination_mgr destination_{};
  std::jmp_buf jump_{};
  JpegSink& sink_;
  bool sink_failed_ = false;
  UniformBlocks uniform_blocks_;
  JOCTET buffer_[kJpegBufferBytes]{};
};

// The stream going into a file, gathered into writes of a reasonable size.
class FileSink final : public JpegSink {
 public:
  FileSink(FileReplacement& file, const std::string& path) : file_(file), path_(path) {
    pending_.reserve(kWriteBytes);
  }
  bool Put(const uint8_t* bytes, size_t count) override {
    pending_.append(reinterpret_cast<const char*>(bytes), count);
    return pending_.size() < kWriteBytes || Drain();
  }
  bool Drain() {
    error_ = file_.Write(pending_);
    pending_.clear();
    return error_ == 0;
  }
  [[noreturn]] void ThrowFailure() override { throw EWriteError(path_, error_); }

 private:
  static constexpr size_t kWriteBytes = 64 * 1024;
  FileReplacement& file_;
  const std::string& path_;
  std::string pending_;
  int error_ = 0;
};

// Counts the stream's bytes and keeps none of them.
class CountingSink final : public JpegSink {
 public:
  bool Put(const uint8_t*, size_t count) override {
    bytes_ += count;
    return true;
  }
  [[noreturn]] void ThrowFailure() override { throw EJPEG(JERR_OUT_OF_MEMORY); }
  uint64_t bytes() const { return bytes_; }

 private:
  uint64_t bytes_ = 0;
};

// Streams what `encode` gives its sink into the open file.
template <typename Encode>
void WriteStreamed(FileReplacement& file, const std::string& path, Encode encode) {
  if (file.NeedsReserve()) {
    CountingSink counting;
    encode(counting);
    if (const int error = file.Reserve(counting.bytes()); error != 0) {
      throw EWriteError(path, error);
    }
  }
  FileSink sink(file, path);
  encode(sink);
  if (!sink.Drain()) sink.ThrowFailure();
}

// Opens the name, then streams what `encode` gives its sink into the file and commits it.
template <typename Encode>
void SaveStreamed(const std::string& path, const JpegFileOptions& options, Encode encode) {
  FileReplacement file;
  if (const int error = file.Open(path, options.new_name); error != 0) {
    throw EFCreateError(path, error);
  }
  WriteStreamed(file, path, encode);
  const int error =
      options.group != nullptr ? file.Commit(*options.group, options.tag) : file.Commit();
  if (error != 0) throw EWriteError(path, error);
}

void CheckPixels(const RenderedPicture& picture) {
  if (picture.Pixels != nullptr &&
      (picture.Pixels->width() != picture.Width || picture.Pixels->height() != picture.Height)) {
    throw Exception(
        Msg("the picture's size (%s × %s) does not match its pixels (%s × %s), so it "
            "cannot be encoded",
            {std::to_string(picture.Width), std::to_string(picture.Height),
             std::to_string(picture.Pixels->width()), std::to_string(picture.Pixels->height())}));
  }
}

// Encodes a whole picture into the sink, with the checks of EncodeJpeg.
void EncodePicture(const RenderedPicture& picture, JpegSink& sink) {
  if (TooLargeForJpeg(picture.Width, picture.Height)) throw EJPEG(JERR_IMAGE_TOO_BIG);
  CheckPixels(picture);
  if (picture.Pixels == nullptr) return;
  RasterRows rows(*picture.Pixels);
  EncodeJpeg(picture.Width, picture.Height, rows, sink);
}

}  // namespace

void EncodeJpeg(const RenderedPicture& picture, std::string& stream) {
  stream.clear();
  StringSink sink(stream, InitialStreamBytes(picture.Width, picture.Height));
  try {
    EncodePicture(picture, sink);
  } catch (...) {
    stream.clear();
    throw;
  }
}

void EncodeJpeg(int32_t width, int32_t height, PictureRows& rows, std::string& stream,
                int quality) {
  stream.clear();
  // Refused before the stream takes any memory, as libjpeg would refuse it in
  // jpeg_start_compress.
  if (TooLargeForJpeg(width, height)) throw EJPEG(JERR_IMAGE_TOO_BIG);
  StringSink sink(stream, InitialStreamBytes(width, height));
  try {
    EncodeJpeg(width, height, rows, sink, quality);
  } catch (...) {
    stream.clear();
    throw;
  }
}

void EncodeJpeg(int32_t width, int32_t height, PictureRows& rows, JpegSink& sink, int quality) {
  if (TooLargeForJpeg(width, height)) throw EJPEG(JERR_IMAGE_TOO_BIG);
  Compressor compressor(sink);
  compressor.Run(width, height, rows, quality);
}

void SaveJpegFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                  const JpegFileOptions& options) {
  SaveStreamed(path, options,
               [&](JpegSink& sink) { EncodeJpeg(width, height, rows, sink, options.quality); });
}

void SaveJpegFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                  int quality) {
  JpegFileOptions options;
  options.quality = quality;
  SaveJpegFile(path, width, height, rows, options);
}

void WriteJpegFile(FileReplacement& file, const std::string& path, int32_t width, int32_t height,
                   PictureRows& rows, int quality) {
  WriteEncodedFile(file, path,
                   [&](JpegSink& sink) { EncodeJpeg(width, height, rows, sink, quality); });
}

void SaveEncodedFile(const std::string& path, const JpegFileOptions& options,
                     const StreamEncoder& encode) {
  SaveStreamed(path, options, encode);
}

void WriteEncodedFile(FileReplacement& file, const std::string& path,
                      const StreamEncoder& encode) {
  try {
    WriteStreamed(file, path, encode);
  } catch (...) {
    file.Abandon();
    throw;
  }
}

void TJPEGImage::Assign(const RenderedPicture& picture) {
  std::string().swap(stream_);
  has_stream_ = false;
  picture_ = picture;
}

const std::string& TJPEGImage::CompressedStream() {
  if (!has_stream_) {
    EncodeJpeg(picture_, stream_);
    has_stream_ = true;
  }
  return stream_;
}

void TJPEGImage::SaveToFile(const std::string& path) {
  SaveStreamed(path, JpegFileOptions{}, [this](JpegSink& sink) {
    if (!has_stream_) {
      EncodePicture(picture_, sink);
    } else if (!stream_.empty() &&
               !sink.Put(reinterpret_cast<const uint8_t*>(stream_.data()), stream_.size())) {
      sink.ThrowFailure();
    }
  });
}

}  // namespace t2j
