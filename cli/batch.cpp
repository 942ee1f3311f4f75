#include "cli/batch.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/failure.h"
#include "platform/system_error.h"

namespace t2j {

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
