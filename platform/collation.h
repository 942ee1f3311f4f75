// Comparison of names in the user's locale, letter case ignored: what stands in for
// CompareString(LOCALE_USER_DEFAULT, NORM_IGNORECASE).
#pragma once

#include <compare>
#include <memory>
#include <string>
#include <string_view>

struct UCollator;

namespace t2j {

// The locale the environment sets for one category: LC_ALL, else the category's own variable
// (such as "LC_COLLATE" or "LC_MESSAGES"), else LANG; empty values count as unset. Empty when
// none is set.
std::string LocaleFromEnvironment(const char* category_variable);

// Compares UTF-8 names in the order of a locale, ignoring letter case but not accents (an ICU
// collator at secondary strength). Ill-formed UTF-8 compares as U+FFFD.
class Collation {
 public:
  // `locale` is a POSIX locale name ("zh_CN.UTF-8", "en_US", "C") or an ICU one. "C", "POSIX",
  // an empty name and any locale ICU does not know give the root order.
  explicit Collation(std::string_view locale);

  // Less, equivalent or greater. Fails with EOutOfResources when ICU cannot compare.
  std::weak_ordering Compare(std::string_view a, std::string_view b) const;

 private:
  struct Closer {
    void operator()(UCollator* collator) const;
  };
  std::unique_ptr<UCollator, Closer> collator_;
};

}  // namespace t2j
