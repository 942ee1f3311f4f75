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

bool TryAppend(std::string& stream, const JOCTET* bytes, size_t count) noexcept {
  try {
    stream.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The room first made for the stream. Text compresses to about a quarter of its raw bytes at
// this quality, so half of them rarely needs to grow; only what is written takes memory.
size_t InitialStreamBytes(int32_t width, int32_t height) {
  constexpr uint64_t kMostReserved = uint64_t{256} << 20;
  const uint64_t raw = Raster::ByteSize(width, height);
  return static_cast<size_t>(std::clamp<uint64_t>(raw / 2, kJpegBufferBytes, kMostReserved));
}

// Gives the stream room for `bytes`, in huge pages when it is large. Without the memory the
// stream stays as it is, and appending says whether there is room.
void Reserve(std::string& stream, size_t bytes) noexcept {
  try {
    stream.reserve(bytes);
  } catch (const std::exception&) {
    return;
  }
  AskForHugePages(stream.data(), stream.capacity());
}

// One compression: the compressor with its error manager and its destination, which collects
// the stream in memory. The compressor is destroyed with the holder, however Run ends.
class Compressor {
 public:
  explicit Compressor(std::string& stream) : stream_(stream) {
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

  // Encodes the picture into the stream, or leaves the stream empty for an empty picture.
  // libjpeg's fatal errors come back here by longjmp, so between the setjmp and the end of the
  // encoding no object with a destructor may live in this frame.
  void Run(int32_t width, int32_t height, PictureRows& rows, int quality) {
    if (setjmp(jump_) != 0) {
      stream_.clear();
      throw EJPEG(error_.msg_code);
    }
    jpeg_create_compress(&cinfo_);
    cinfo_.dest = &destination_;
    stream_.clear();
    reserve_bytes_ = InitialStreamBytes(width, height);
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
    Reserve(self.stream_, self.reserve_bytes_);
    self.destination_.next_output_byte = self.buffer_;
    self.destination_.free_in_buffer = kJpegBufferBytes;
  }

  static boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    Compressor& self = Of(cinfo);
    std::string& stream = self.stream_;
    if (stream.capacity() - stream.size() < kJpegBufferBytes) {
      Reserve(stream, stream.capacity() / 2 * 3 + kJpegBufferBytes);
    }
    if (!TryAppend(stream, self.buffer_, kJpegBufferBytes)) {
      ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    self.destination_.next_output_byte = self.buffer_;
    self.destination_.free_in_buffer = kJpegBufferBytes;
    return TRUE;
  }

  static void TermDestination(j_compress_ptr cinfo) {
    Compressor& self = Of(cinfo);
    const size_t used = kJpegBufferBytes - self.destination_.free_in_buffer;
    if (!TryAppend(self.stream_, self.buffer_, used)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  }

  jpeg_compress_struct cinfo_{};
  jpeg_error_mgr error_{};
  jpeg_destination_mgr destination_{};
  std::jmp_buf jump_{};
  std::string& stream_;
  size_t reserve_bytes_ = 0;
  UniformBlocks uniform_blocks_;
  JOCTET buffer_[kJpegBufferBytes]{};
};

// Checks that the file can be created, encodes into memory, then replaces the file's content
// whole: a failure of the encoder, the memory or the disk leaves an existing file as it was.
template <typename Encode>
void SaveFile(const std::string& path, Encode encode) {
  FileReplacement file;
  if (const int error = file.Open(path); error != 0) throw EFCreateError(path, error);
  const std::string& stream = encode();
  if (const int error = file.Replace(stream); error != 0) throw EWriteError(path, error);
}

}  // namespace

void EncodeJpeg(const RenderedPicture& picture, std::string& stream) {
  if (TooLargeForJpeg(picture.Width, picture.Height)) {
    stream.clear();
    throw EJPEG(JERR_IMAGE_TOO_BIG);
  }
  if (picture.Pixels != nullptr &&
      (picture.Pixels->width() != picture.Width || picture.Pixels->height() != picture.Height)) {
    stream.clear();
    throw Exception(
        Msg("the picture's size (%s × %s) does not match its pixels (%s × %s), so it "
            "cannot be encoded",
            {std::to_string(picture.Width), std::to_string(picture.Height),
             std::to_string(picture.Pixels->width()), std::to_string(picture.Pixels->height())}));
  }
  if (picture.Pixels == nullptr) {
    stream.clear();
    return;
  }
  RasterRows rows(*picture.Pixels);
  EncodeJpeg(picture.Width, picture.Height, rows, stream);
}

void EncodeJpeg(int32_t width, int32_t height, PictureRows& rows, std::string& stream,
                int quality) {
  // Refused before the stream takes any memory, as libjpeg would refuse it in
  // jpeg_start_compress.
  if (TooLargeForJpeg(width, height)) {
    stream.clear();
    throw EJPEG(JERR_IMAGE_TOO_BIG);
  }
  Compressor compressor(stream);
  try {
    compressor.Run(width, height, rows, quality);
  } catch (...) {
    stream.clear();
    throw;
  }
}

void SaveJpegFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                  int quality) {
  std::string stream;
  SaveFile(path, [&]() -> const std::string& {
    EncodeJpeg(width, height, rows, stream, quality);
    return stream;
  });
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
  SaveFile(path, [this]() -> const std::string& { return CompressedStream(); });
}

}  // namespace t2j
