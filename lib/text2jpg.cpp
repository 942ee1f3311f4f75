// libtext2jpg: the C interface over the core. Every call runs the steps text2jpg-cli runs for one
// input (convert/picture_lines.h) and turns whatever they throw into a status and a message.
#include "text2jpg/text2jpg.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "convert/css_colors.h"
#include "convert/failure_text.h"
#include "convert/input_reader.h"
#include "convert/picture_format.h"
#include "convert/picture_lines.h"
#include "convert/render_settings.h"
#include "platform/failure.h"
#include "platform/file_output.h"
#include "platform/messages.h"
#include "platform/system_error.h"
#include "text/font_engine.h"
#include "text/font_list.h"
#include "text/reusing_font_engine.h"

struct text2jpg_settings {
  t2j::PictureOptions options;
};

namespace t2j {
namespace {

// What the last call on this thread left for the caller.
thread_local std::string last_error;
thread_local std::string last_warnings;

// A failure that the caller caused by what it passed.
class EInvalidArgument : public Exception {
 public:
  using Exception::Exception;
};

// A picture file that could not be opened, written or put under its name.
class EFileFailure : public Exception {
 public:
  using Exception::Exception;
};

// Font engines for the calls that run now: each call takes one for itself (an idle one, or a new
// one when all are busy) and gives it back when done, so calls on different threads never share
// an engine or its fonts, and a later call finds the fonts made before. Never destroyed: a
// thread of the host may still be drawing when the process ends.
class EnginePool {
 public:
  struct Engine {
    std::unique_ptr<FontEngine> fonts = NewSystemFontEngine();
    std::unique_ptr<ReusingFontEngine> reusing = std::make_unique<ReusingFontEngine>(*fonts);
  };

  static EnginePool& Instance() {
    static EnginePool& pool = *new EnginePool;
    return pool;
  }

  std::unique_ptr<Engine> Take() {
    {
      const std::lock_guard<std::mutex> lock(lock_);
      if (!idle_.empty()) {
        std::unique_ptr<Engine> engine = std::move(idle_.back());
        idle_.pop_back();
        return engine;
      }
    }
    return std::make_unique<Engine>();
  }

  void Give(std::unique_ptr<Engine> engine) noexcept {
    // A program that asks for ever new sizes or faces keeps only the latest few fonts.
    if (engine->reusing->FontCount() > kMostFonts) engine->reusing.reset();
    try {
      if (!engine->reusing) engine->reusing = std::make_unique<ReusingFontEngine>(*engine->fonts);
      const std::lock_guard<std::mutex> lock(lock_);
      if (idle_.size() < MostIdle()) idle_.push_back(std::move(engine));
    } catch (...) {
      // Out of memory: the engine goes.
    }
  }

 private:
  static constexpr size_t kMostFonts = 32;
  static size_t MostIdle() { return std::max<size_t>(8, std::thread::hardware_concurrency()); }

  std::mutex lock_;
  std::vector<std::unique_ptr<Engine>> idle_;
};

// An engine of the pool for the length of one call.
class PooledEngine {
 public:
  PooledEngine() : engine_(EnginePool::Instance().Take()) {}
  ~PooledEngine() { EnginePool::Instance().Give(std::move(engine_)); }
  PooledEngine(const PooledEngine&) = delete;
  PooledEngine& operator=(const PooledEngine&) = delete;
  FontEngine& fonts() { return *engine_->reusing; }

 private:
  std::unique_ptr<EnginePool::Engine> engine_;
};

// The messages' language, chosen once from the environment; the program's signals left as they
// are.
void StartCall() {
  static std::once_flag once;
  std::call_once(once, [] {
    UseEnvironmentLanguage();
    LeaveFileSizeSignal();
  });
  last_error.clear();
}

// SIGXFSZ blocked in this thread while a file is written: past the file size limit the write
// then fails with EFBIG, which is reported, instead of the signal ending the whole program. A
// signal that came meanwhile is taken before the thread's mask is restored; the program's own
// threads and its disposition of the signal are not touched.
class FileSizeSignalBlocked {
 public:
  FileSizeSignalBlocked() {
    sigemptyset(&signal_);
    sigaddset(&signal_, SIGXFSZ);
    blocked_ = pthread_sigmask(SIG_BLOCK, &signal_, &before_) == 0;
  }
  ~FileSizeSignalBlocked() {
    if (!blocked_ || sigismember(&before_, SIGXFSZ) == 1) return;
    const timespec now{};
    while (sigtimedwait(&signal_, nullptr, &now) == SIGXFSZ) {
    }
    pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  FileSizeSignalBlocked(const FileSizeSignalBlocked&) = delete;
  FileSizeSignalBlocked& operator=(const FileSizeSignalBlocked&) = delete;

 private:
  sigset_t signal_;
  sigset_t before_;
  bool blocked_ = false;
};

// A refused setting or argument is worded as text2jpg-cli words a usage error; a failure of the
// conversion as it words that, with the full stop of the failure display.
text2jpg_status Fail(text2jpg_status status, std::string_view message) noexcept {
  try {
    last_error = status == TEXT2JPG_INVALID_ARGUMENT ? std::string(message) : FailureText(message);
  } catch (...) {
    last_error.clear();
  }
  return status;
}

// Runs one call: its failures become a status and the message in last_error.
template <typename Work>
text2jpg_status Guarded(Work work) noexcept {
  try {
    StartCall();
    work();
    return TEXT2JPG_OK;
  } catch (const EInvalidArgument& failure) {
    return Fail(TEXT2JPG_INVALID_ARGUMENT, failure.what());
  } catch (const EInputError& failure) {
    return Fail(TEXT2JPG_INPUT_ERROR, failure.what());
  } catch (const EFileFailure& failure) {
    return Fail(TEXT2JPG_FILE_ERROR, failure.what());
  } catch (const EFCreateError& failure) {
    return Fail(TEXT2JPG_FILE_ERROR, failure.what());
  } catch (const EWriteError& failure) {
    return Fail(TEXT2JPG_FILE_ERROR, failure.what());
  } catch (const std::bad_alloc&) {
    try {
      return Fail(TEXT2JPG_NO_MEMORY, SystemErrorText(ENOMEM));
    } catch (...) {
      return Fail(TEXT2JPG_NO_MEMORY, "Cannot allocate memory");
    }
  } catch (const std::exception& failure) {
    return Fail(TEXT2JPG_CONVERSION_ERROR, failure.what());
  } catch (...) {
    return Fail(TEXT2JPG_CONVERSION_ERROR, "unknown failure");
  }
}

void Require(const void* argument, const char* name) {
  if (argument == nullptr) throw EInvalidArgument(Msg("the argument “%s” is NULL", {name}));
}

// A text setter's value: its option needs one.
std::string_view Value(const char* value, const char* option) {
  if (value == nullptr) throw EInvalidArgument(Msg("option '%s' needs a value", {option}));
  return value;
}

// The message of an option that takes a number in a range, as text2jpg-cli words it; `range`
// is a message text.
[[noreturn]] void OutOfRange(const char* option, const char* range, int32_t value) {
  throw EInvalidArgument(
      Msg("option '%s' takes %s, not '%s'", {option, Tr(range), std::to_string(value)}));
}

ColorValue Color(const char* text, const char* option) {
  const std::string_view value = Value(text, option);
  const std::optional<ColorValue> color = ParseColorArgument(value);
  if (!color) {
    throw EInvalidArgument(
        Msg("option '%s' takes #RRGGBB, #RGB, a colour name or a colour number, not '%s'",
            {option, value}));
  }
  return *color;
}

// The settings' change, made only when `change` does not fail.
template <typename Change>
text2jpg_status Set(text2jpg_settings* settings, Change change) noexcept {
  return Guarded([&] {
    Require(settings, "settings");
    PictureOptions changed = settings->options;
    change(changed);
    settings->options = std::move(changed);
  });
}

// The text as text2jpg-cli reads a UTF-8 file or standard input.
InputReader TextReader(const char* text, size_t length) {
  if (length > 0) Require(text, "text");
  return InputReader(std::string_view(text == nullptr ? "" : text, length), Tr("the text"),
                     InputEncoding::kUtf8);
}

// One drawing call: `draw(engine)` returns the warnings of the characters no font has.
template <typename Draw>
text2jpg_status Drawing(const text2jpg_settings* settings, Draw draw) noexcept {
  last_warnings.clear();
  return Guarded([&] {
    Require(settings, "settings");
    PooledEngine engine;
    const std::string uncovered = NamingMemory([&] { return draw(engine.fonts()); });
    std::string warnings = FontWarning(settings->options.settings);
    if (!warnings.empty() && !uncovered.empty()) warnings += '\n';
    last_warnings = warnings + uncovered;
  });
}

// The encoded stream gathered into a buffer of malloc, handed to the caller as it is.
class BufferSink final : public JpegSink {
 public:
  BufferSink() = default;
  BufferSink(const BufferSink&) = delete;
  BufferSink& operator=(const BufferSink&) = delete;
  ~BufferSink() override { std::free(data_); }

  bool Put(const uint8_t* bytes, size_t count) override {
    if (count > capacity_ - size_) {
      size_t capacity = std::max<size_t>(capacity_ < (SIZE_MAX >> 1) ? capacity_ * 2 : SIZE_MAX,
                                         64 * 1024);
      if (count > SIZE_MAX - size_) return false;
      capacity = std::max(capacity, size_ + count);
      void* grown = std::realloc(data_, capacity);
      if (grown == nullptr) return false;
      data_ = static_cast<unsigned char*>(grown);
      capacity_ = capacity;
    }
    std::memcpy(data_ + size_, bytes, count);
    size_ += count;
    return true;
  }
  [[noreturn]] void ThrowFailure() override { throw std::bad_alloc(); }

  // The bytes, now the caller's; never NULL, even for an empty stream.
  unsigned char* Release(size_t& size) {
    if (data_ == nullptr) {
      data_ = static_cast<unsigned char*>(std::malloc(1));
      if (data_ == nullptr) throw std::bad_alloc();
    }
    size = size_;
    unsigned char* data = data_;
    data_ = nullptr;
    size_ = capacity_ = 0;
    return data;
  }

 private:
  unsigned char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

void FreeNames(char** names) {
  if (names == nullptr) return;
  for (char** name = names; *name != nullptr; ++name) std::free(*name);
  std::free(names);
}

}  // namespace
}  // namespace t2j

using namespace t2j;

extern "C" {

const char* text2jpg_version(void) { return TEXT2JPG_VERSION; }

const char* text2jpg_last_error(void) { return last_error.c_str(); }

const char* text2jpg_last_warnings(void) { return last_warnings.c_str(); }

text2jpg_settings* text2jpg_settings_new(void) {
  try {
    auto* settings = new text2jpg_settings;
    settings->options.settings.FontName = std::string(kDefaultFontName);
    return settings;
  } catch (...) {
    return nullptr;
  }
}

text2jpg_settings* text2jpg_settings_copy(const text2jpg_settings* settings) {
  if (settings == nullptr) return nullptr;
  try {
    return new text2jpg_settings(*settings);
  } catch (...) {
    return nullptr;
  }
}

void text2jpg_settings_free(text2jpg_settings* settings) { delete settings; }

text2jpg_status text2jpg_settings_set_font(text2jpg_settings* settings, const char* font) {
  return Set(settings, [&](PictureOptions& options) {
    if (std::optional<std::string> problem = SetFontArgument(options.settings, Value(font, "--font"))) {
      throw EInvalidArgument(Msg("option '%s': %s", {"--font", *problem}));
    }
  });
}

text2jpg_status text2jpg_settings_set_size(text2jpg_settings* settings, int32_t points) {
  return Set(settings, [&](PictureOptions& options) { options.settings.FontSize = points; });
}

text2jpg_status text2jpg_settings_set_color(text2jpg_settings* settings, const char* color) {
  return Set(settings, [&](PictureOptions& options) {
    options.settings.TextColor = Color(color, "--color");
  });
}

text2jpg_status text2jpg_settings_set_background(text2jpg_settings* settings, const char* color) {
  return Set(settings, [&](PictureOptions& options) {
    options.settings.BackgroundColor = Color(color, "--background");
  });
}

text2jpg_status text2jpg_settings_set_line_spacing(text2jpg_settings* settings, int32_t pixels) {
  return Set(settings, [&](PictureOptions& options) { options.settings.LineSpacing = pixels; });
}

text2jpg_status text2jpg_settings_set_margin(text2jpg_settings* settings, int32_t pixels) {
  return Set(settings, [&](PictureOptions& options) { options.settings.Margin = pixels; });
}

text2jpg_status text2jpg_settings_set_width(text2jpg_settings* settings, int32_t pixels) {
  return Set(settings, [&](PictureOptions& options) {
    if (pixels < 0) OutOfRange("--width", N_("a positive number of pixels"), pixels);
    options.width = pixels == 0 ? std::nullopt : std::optional<int32_t>(pixels);
  });
}

text2jpg_status text2jpg_settings_set_align(text2jpg_settings* settings, const char* align) {
  return Set(settings, [&](PictureOptions& options) {
    const std::string_view value = Value(align, "--align");
    const std::optional<LineAlignment> alignment = ParseLineAlignment(value);
    if (!alignment) {
      throw EInvalidArgument(
          Msg("option '--align' takes left, center or right, not '%s'", {value}));
    }
    options.settings.Alignment = *alignment;
  });
}

text2jpg_status text2jpg_settings_set_format(text2jpg_settings* settings, const char* format) {
  return Set(settings, [&](PictureOptions& options) {
    const std::string_view value = Value(format, "--format");
    const std::optional<PictureFormat> parsed = ParsePictureFormat(value);
    if (!parsed) throw EInvalidArgument(Msg("option '--format' takes jpeg or png, not '%s'", {value}));
    options.encoding.format = *parsed;
  });
}

text2jpg_status text2jpg_settings_set_quality(text2jpg_settings* settings, int32_t quality) {
  return Set(settings, [&](PictureOptions& options) {
    if (quality < kMinJpegQuality || quality > kMaxJpegQuality) {
      OutOfRange("--quality", N_("a number from 1 to 100"), quality);
    }
    options.encoding.quality = quality;
  });
}

text2jpg_status text2jpg_settings_set_dpi(text2jpg_settings* settings, int32_t dpi) {
  return Set(settings, [&](PictureOptions& options) {
    if (dpi < 1) OutOfRange("--dpi", N_("a positive number"), dpi);
    options.pixels_per_inch = dpi;
  });
}

text2jpg_status text2jpg_render(const text2jpg_settings* settings, const char* text,
                                size_t length, unsigned char** data, size_t* size) {
  return Drawing(settings, [&](FontEngine& engine) {
    Require(data, "data");
    Require(size, "size");
    InputReader reader = TextReader(text, length);
    BufferSink sink;
    std::string warnings = EncodePicture(reader, settings->options, engine, sink);
    *data = sink.Release(*size);
    return warnings;
  });
}

text2jpg_status text2jpg_save(const text2jpg_settings* settings, const char* text, size_t length,
                              const char* path) {
  return Drawing(settings, [&](FontEngine& engine) {
    Require(path, "path");
    InputReader reader = TextReader(text, length);
    PictureOptions one = settings->options;
    one.max_height.reset();
    const FileSizeSignalBlocked signal_blocked;
    // The name is checked before the text is read, as text2jpg-cli checks it.
    FileReplacement file;
    try {
      OpenPicture(file, path);
    } catch (const EFCreateError&) {
      throw;
    } catch (const Exception& failure) {
      throw EFileFailure(failure.what());
    }
    PictureLines pictures(reader, one, engine);
    std::vector<std::string> lines;
    pictures.Next(lines);
    Uncovered uncovered;
    DrawPicture(lines, one, engine, uncovered,
                [&](int32_t width, int32_t height, PictureRows& rows) {
                  WritePicture(file, path, width, height, rows, one.encoding);
                });
    if (const int error = file.Commit(); error != 0) throw EWriteError(path, error);
    return uncovered.Warning();
  });
}

text2jpg_status text2jpg_measure(const text2jpg_settings* settings, const char* text,
                                 size_t length, int32_t* width, int32_t* height) {
  return Drawing(settings, [&](FontEngine& engine) {
    Require(width, "width");
    Require(height, "height");
    InputReader reader = TextReader(text, length);
    PictureOptions one = settings->options;
    one.max_height.reset();
    const auto sizes = PictureSizes(reader, one, engine);
    *width = sizes.at(0).first;
    *height = sizes.at(0).second;
    return std::string();
  });
}

text2jpg_status text2jpg_fonts(char*** names, size_t* count) {
  return Guarded([&] {
    Require(names, "names");
    const std::vector<std::string>& installed = InstalledFontNames();
    std::unique_ptr<char*, decltype(&FreeNames)> list(
        static_cast<char**>(std::calloc(installed.size() + 1, sizeof(char*))), FreeNames);
    if (!list) throw std::bad_alloc();
    for (size_t i = 0; i < installed.size(); ++i) {
      list.get()[i] = strdup(installed[i].c_str());
      if (list.get()[i] == nullptr) throw std::bad_alloc();
    }
    if (count != nullptr) *count = installed.size();
    *names = list.release();
  });
}

void text2jpg_free_fonts(char** names) { FreeNames(names); }

void text2jpg_free(void* data) { std::free(data); }

}  // extern "C"
