#include "text/font_list.h"

#include <algorithm>

#include "platform/collation.h"
#include "text/font_families.h"
#include "text/font_resolver.h"
#include "text/windows_faces.h"

namespace t2j {
namespace {

// The name a report carries, as far as its first NUL byte.
std::string_view ReportedName(const std::string& report) {
  return std::string_view(report).substr(0, report.find('\0'));
}

}  // namespace

std::vector<std::string> BuildInstalledFontNames(const FaceNameSource& source,
                                                 const NameComparison& compare) {
  std::vector<std::string> names{std::string(kDefaultFontEntry)};
  for (const std::string& report : source()) {
    const std::string_view name = ReportedName(report);
    // A face comes once for each of its character sets; those reports come in a row.
    if (std::is_eq(compare(names.back(), name))) continue;
    names.emplace_back(name);
  }
  std::sort(names.begin(), names.end(), [&compare](const std::string& a, const std::string& b) {
    return std::is_lt(compare(a, b));
  });
  return names;
}

const std::vector<std::string>& InstalledFontNames() {
  static const std::vector<std::string> names = [] {
    const std::string language = LocaleFromEnvironment("LC_MESSAGES");
    const Collation collation(LocaleFromEnvironment("LC_COLLATE"));
    return BuildInstalledFontNames(
        [&language] {
          std::vector<std::string> names = FontconfigFamilyNames(language);
          for (std::string& face : DrawableWindowsFaceNames(language, IsInstalledFamilyName)) {
            names.push_back(std::move(face));
          }
          return names;
        },
        [&collation](std::string_view a, std::string_view b) { return collation.Compare(a, b); });
  }();
  return names;
}

}  // namespace t2j
