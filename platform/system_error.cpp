#include "platform/system_error.h"

#include <locale.h>
#include <string.h>

#include <filesystem>
#include <system_error>

#include "platform/messages.h"

namespace t2j {

namespace {

// The system's text in the C locale, which is English.
std::string EnglishErrorText(int error_number) {
  std::string text;
  locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (c_locale == static_cast<locale_t>(0)) return std::generic_category().message(error_number);
  text = strerror_l(error_number, c_locale);
  freelocale(c_locale);
  return text;
}

}  // namespace

std::string SystemErrorText(int error_number) {
  std::string text;
  if (CurrentMessageLanguage() != MessageLanguage::kWindow) {
    text = TrSystem(EnglishErrorText(error_number).c_str());
  } else if (locale_t messages =
                 newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0));
             messages != static_cast<locale_t>(0)) {
    text = strerror_l(error_number, messages);
    freelocale(messages);
  } else {
    text = EnglishErrorText(error_number);
  }
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 0x20 || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

std::string FullPathName(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

}  // namespace t2j
