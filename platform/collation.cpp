#include "platform/collation.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "platform/failure.h"
#include "platform/messages.h"

namespace t2j {
namespace {

const char* NonEmptyVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Only for a system whose ICU cannot even open its root collator.
std::weak_ordering CompareFoldingAscii(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
    if (x != y) return x < y ? std::weak_ordering::less : std::weak_ordering::greater;
  }
  return a.size() <=> b.size();
}

UCollator* OpenSecondary(const std::string& icu_locale) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open(icu_locale.c_str(), &status);
  if (U_FAILURE(status) || collator == nullptr) {
    if (collator != nullptr) ucol_close(collator);
    return nullptr;
  }
  ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
  if (U_FAILURE(status)) {
    ucol_close(collator);
    return nullptr;
  }
  return collator;
}

// The ICU locale ID for a POSIX locale name: codeset and modifier dropped, root for "C".
std::string IcuLocaleFor(std::string_view posix_locale) {
  const size_t end = posix_locale.find_first_of(".@");
  std::string_view name = posix_locale.substr(0, end);
  if (name == "C" || name == "POSIX") return {};
  return std::string(name);
}

}  // namespace

std::string LocaleFromEnvironment(const char* category_variable) {
  for (const char* name : {"LC_ALL", category_variable, "LANG"}) {
    if (name == nullptr) continue;
    if (const char* value = NonEmptyVariable(name)) return value;
  }
  return {};
}

void Collation::Closer::operator()(UCollator* collator) const { ucol_close(collator); }

Collation::Collation(std::string_view locale) {
  collator_.reset(OpenSecondary(IcuLocaleFor(locale)));
  if (!collator_) collator_.reset(OpenSecondary(""));
}

std::weak_ordering Collation::Compare(std::string_view a, std::string_view b) const {
  if (!collator_) return CompareFoldingAscii(a, b);
  constexpr size_t kMaxLength = std::numeric_limits<int32_t>::max();
  if (a.size() > kMaxLength || b.size() > kMaxLength) {
    throw EOutOfResources(Tr("a name is too long to be compared"));
  }
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result =
      ucol_strcollUTF8(collator_.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                       static_cast<int32_t>(b.size()), &status);
  if (U_FAILURE(status))
    throw EOutOfResources(Msg("cannot compare names: %s", {u_errorName(status)}));
  switch (result) {
    case UCOL_LESS:
      return std::weak_ordering::less;
    case UCOL_GREATER:
      return std::weak_ordering::greater;
    default:
      return std::weak_ordering::equivalent;
  }
}

}  // namespace t2j
