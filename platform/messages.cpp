#include "platform/messages.h"

#include <libintl.h>
#include <locale.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/collation.h"

namespace t2j {
namespace {

constexpr char kDomain[] = "text2jpg";

struct Translation {
  std::string_view english;
  const char* chinese;
};

// The zh_CN catalog, sorted by the English text; generated from po/zh_CN.po.
constexpr Translation kBuiltInChinese[] = {
#include "zh_cn_messages.inc"
};

std::atomic<MessageLanguage> language{MessageLanguage::kWindow};
std::atomic<bool> catalog_read{false};

const char* BuiltInChinese(const char* english) {
  const std::string_view key(english);
  const auto* found = std::lower_bound(
      std::begin(kBuiltInChinese), std::end(kBuiltInChinese), key,
      [](const Translation& entry, std::string_view text) { return entry.english < text; });
  return found != std::end(kBuiltInChinese) && found->english == key ? found->chinese : english;
}

// ../share/locale beside the running program when it holds the catalog, else the configured one.
std::string CatalogDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path beside = program.parent_path().parent_path() / "share" / "locale";
    if (std::filesystem::exists(beside / "zh_CN" / "LC_MESSAGES" / (std::string(kDomain) + ".mo"),
                                error)) {
      return beside.string();
    }
  }
  return T2J_LOCALEDIR;
}

}  // namespace

const char* Tr(const char* english) {
  switch (language.load(std::memory_order_relaxed)) {
    case MessageLanguage::kEnglish:
      return english;
    case MessageLanguage::kChinese:
      if (catalog_read.load(std::memory_order_relaxed)) return dgettext(kDomain, english);
      return BuiltInChinese(english);
    case MessageLanguage::kWindow:
      break;
  }
  return BuiltInChinese(english);
}

std::string Msg(const char* pattern, std::initializer_list<std::string_view> args) {
  const std::string_view text(Tr(pattern));
  std::string result;
  result.reserve(text.size());
  auto next = args.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      if (text[i + 1] == '%') {
        result += '%';
        ++i;
        continue;
      }
      if (text[i + 1] == 's' && next != args.end()) {
        result += *next++;
        ++i;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

void UseLocaleLanguage() {
  const std::string locale = LocaleFromEnvironment("LC_MESSAGES");
  if (locale.rfind("zh", 0) != 0) {
    language = MessageLanguage::kEnglish;
    return;
  }
  // gettext translates nothing in the C locale, which is what a zh_* locale that is not
  // installed leaves; C.UTF-8 stands in for it. LANGUAGE then picks the zh_CN catalogs, ours
  // and the C library's alike, whatever the zh_* variant.
  const char* chosen = setlocale(LC_MESSAGES, "");
  if (chosen == nullptr || std::strcmp(chosen, "C") == 0 || std::strcmp(chosen, "POSIX") == 0) {
    setlocale(LC_MESSAGES, "C.UTF-8");
  }
  setenv("LANGUAGE", "zh_CN", 1);
  bindtextdomain(kDomain, CatalogDirectory().c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  bind_textdomain_codeset("libc", "UTF-8");
  // A read catalog answers the empty text with its header.
  const char* header = dgettext(kDomain, "");
  catalog_read = header != nullptr && *header != '\0';
  language = MessageLanguage::kChinese;
}

void UseEnvironmentLanguage() {
  const bool chinese = LocaleFromEnvironment("LC_MESSAGES").rfind("zh", 0) == 0;
  language = chinese ? MessageLanguage::kWindow : MessageLanguage::kEnglish;
}

MessageLanguage CurrentMessageLanguage() { return language.load(std::memory_order_relaxed); }

const char* TrSystem(const char* english) {
  if (language.load(std::memory_order_relaxed) != MessageLanguage::kChinese) return english;
  return dgettext("libc", english);
}

}  // namespace t2j
