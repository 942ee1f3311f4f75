#include "text/font_families.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <unordered_map>

namespace t2j {
namespace {

struct PatternCloser {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetCloser {
  void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
};
struct FontSetCloser {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternCloser>;
using ObjectSet = std::unique_ptr<FcObjectSet, ObjectSetCloser>;
using FontSet = std::unique_ptr<FcFontSet, FontSetCloser>;

// ASCII only, whatever the C locale: the bytes of UTF-8 names stay as they are.
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The language tag fontconfig uses for a POSIX locale name ("zh_CN.UTF-8" gives "zh-cn");
// empty for "C" and "POSIX".
std::string FontconfigLanguageFor(std::string_view posix_locale) {
  const std::string_view name = posix_locale.substr(0, posix_locale.find_first_of(".@"));
  if (name == "C" || name == "POSIX") return {};
  std::string tag;
  tag.reserve(name.size());
  for (char c : name) tag.push_back(c == '_' ? '-' : Lower(c));
  return tag;
}

std::string_view PrimaryLanguage(std::string_view tag) { return tag.substr(0, tag.find('-')); }

// How well a name's language serves the wanted one: 2 the same, 1 the same language in another
// territory, 0 not at all.
int LanguageMatch(std::string_view wanted, std::string_view name_language) {
  if (wanted.empty()) return 0;
  const std::string language = FontconfigLanguageFor(name_language);
  if (language == wanted) return 2;
  if (!language.empty() && PrimaryLanguage(language) == PrimaryLanguage(wanted)) return 1;
  return 0;
}

// fontconfig matches family names without regard to letter case and blanks.
std::string FamilyKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (char c : name) {
    if (c != ' ') key.push_back(Lower(c));
  }
  return key;
}

struct FamilyName {
  std::string name;
  int match = 0;
};

// The name of one listed font in the wanted language, with how well it matches; `first` is the
// font's first family name.
FamilyName BestName(FcPattern* font, const char* first, std::string_view wanted) {
  FamilyName best{first, 0};
  for (int k = 0; best.match < 2; ++k) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, k, &name) != FcResultMatch || name == nullptr) break;
    FcChar8* language = nullptr;
    if (FcPatternGetString(font, FC_FAMILYLANG, k, &language) != FcResultMatch ||
        language == nullptr) {
      continue;
    }
    const int match = LanguageMatch(wanted, reinterpret_cast<const char*>(language));
    if (match > best.match) best = {reinterpret_cast<const char*>(name), match};
  }
  return best;
}

}  // namespace

std::vector<std::string> FontconfigFamilyNames(std::string_view language) {
  const std::string wanted = FontconfigLanguageFor(language);
  const Pattern pattern(FcPatternCreate());
  const ObjectSet objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr));
  if (!pattern || !objects) return {};
  const FontSet fonts(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!fonts) return {};

  // A family with several styles or widths comes as several fonts, not always one after
  // another; it is listed once, at its first font.
  std::vector<FamilyName> families;
  std::unordered_map<std::string, size_t> family_index;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    if (font == nullptr) continue;
    FcChar8* first = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &first) != FcResultMatch || first == nullptr) {
      continue;
    }
    const char* first_name = reinterpret_cast<const char*>(first);
    FamilyName name = BestName(font, first_name, wanted);
    const auto [it, inserted] = family_index.try_emplace(FamilyKey(first_name), families.size());
    if (inserted) {
      families.push_back(std::move(name));
    } else if (name.match > families[it->second].match) {
      families[it->second] = std::move(name);
    }
  }

  std::vector<std::string> names;
  names.reserve(families.size());
  for (FamilyName& family : families) names.push_back(std::move(family.name));
  return names;
}

}  // namespace t2j
