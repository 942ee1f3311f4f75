#include "cli/batch.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/failure.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

auto Fields(const LogFont& f) {
  return std::tie(f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic,
                  f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision,
                  f.lfQuality, f.lfPitchAndFamily, f.lfFaceName, f.font_file, f.font_face_index);
}

// A font handed out again: every call goes to the one font made for its description.
class SharedFont final : public TextFont {
 public:
  explicit SharedFont(const TextFont& font) : font_(font) {}
  TextExtent Measure(std::string_view text) const override { return font_.Measure(text); }
  void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color, Rgb background,
            int64_t clip_right) const override {
    font_.Draw(raster, x, y, text, color, background, clip_right);
  }
  void DrawOver(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
                int64_t clip_right) const override {
    font_.DrawOver(raster, x, y, text, color, clip_right);
  }
  InkBox Ink(std::string_view text) const override { return font_.Ink(text); }
  RowSpan DrawnRows(std::string_view text) const override { return font_.DrawnRows(text); }
  std::vector<char32_t> Uncovered(std::string_view text) const override {
    return font_.Uncovered(text);
  }

 private:
  const TextFont& font_;
};

}  // namespace

std::unique_ptr<TextFont> ReusingFontEngine::CreateFont(const LogFont& log_font) {
  for (const Made& made : made_) {
    if (Fields(made.log_font) == Fields(log_font)) return std::make_unique<SharedFont>(*made.font);
  }
  std::unique_ptr<TextFont> font = engine_.CreateFont(log_font);
  made_.push_back(Made{log_font, std::move(font)});
  return std::make_unique<SharedFont>(*made_.back().font);
}

unsigned UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<unsigned>(count);
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? hardware : 1;
}

void ConvertInParallel(size_t count, unsigned jobs,
                       const std::function<std::string(size_t, FontEngine&)>& convert,
                       const std::function<void(size_t, const ItemOutcome&)>& done) {
  std::atomic<size_t> next{0};
  std::mutex done_lock;

  auto work = [&](bool calling_thread) {
    std::unique_ptr<FontEngine> own_engine;
    std::unique_ptr<ReusingFontEngine> engine;
    for (size_t i = next++; i < count; i = next++) {
      ItemOutcome outcome;
      try {
        if (!engine) {
          if (calling_thread) {
            engine = std::make_unique<ReusingFontEngine>(SystemFontEngine());
          } else {
            if (!own_engine) own_engine = NewSystemFontEngine();
            engine = std::make_unique<ReusingFontEngine>(*own_engine);
          }
        }
        outcome.warning = convert(i, *engine);
      } catch (const std::bad_alloc&) {
        outcome.failure = SystemErrorText(ENOMEM);
      } catch (const std::exception& e) {
        outcome.failure = e.what();
      }
      const std::lock_guard<std::mutex> lock(done_lock);
      done(i, outcome);
    }
  };

  std::vector<std::thread> threads;
  const size_t wanted = std::min<size_t>(jobs == 0 ? 1 : jobs, count);
  for (size_t t = 1; t < wanted; ++t) {
    try {
      threads.emplace_back(work, false);
    } catch (const std::system_error&) {
      break;
    }
  }
  work(true);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace t2j
