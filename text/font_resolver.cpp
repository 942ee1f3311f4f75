#include "text/font_resolver.h"

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/system_error.h"
#include "text/text_shaping.h"

namespace t2j {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

struct ObjectSetDeleter {
  void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;

struct FcStringDeleter {
  void operator()(FcChar8* text) const { FcStrFree(text); }
};
using FcStringPtr = std::unique_ptr<FcChar8, FcStringDeleter>;

const FcChar8* FcText(const std::string& text) {
  return reinterpret_cast<const FcChar8*>(text.c_str());
}

bool FontconfigReady() {
  static const bool ready = FcInit() == FcTrue;
  return ready;
}

void RequireFontconfig() {
  if (!FontconfigReady())
    throw ECanvasError(Tr("cannot use the font configuration (fontconfig failed to start)"));
}

// Folds letter case the way fontconfig compares family names.
std::string FoldCase(const std::string& text) {
  FcStringPtr folded(FcStrDowncase(FcText(text)));
  if (!folded) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
  }
  return std::string(reinterpret_cast<const char*>(folded.get()));
}

std::unordered_set<std::string> ListFamilyNames() {
  std::unordered_set<std::string> names;
  if (!FontconfigReady()) return names;
  PatternPtr everything(FcPatternCreate());
  ObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, nullptr));
  if (!everything || !objects) return names;
  FontSetPtr fonts(FcFontList(nullptr, everything.get(), objects.get()));
  if (!fonts) return names;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &name) == FcResultMatch;
         ++n) {
      names.insert(FoldCase(reinterpret_cast<const char*>(name)));
    }
  }
  return names;
}

const std::unordered_set<std::string>& FamilyNames() {
  static const std::unordered_set<std::string> names = ListFamilyNames();
  return names;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr std::string_view kSongCandidates[] = {"AR PL UMing CN", "Noto Serif CJK SC",
                                                "serif:lang=zh-cn"};
constexpr std::string_view kHeiCandidates[] = {"WenQuanYi Zen Hei", "Noto Sans CJK SC",
                                               "sans-serif:lang=zh-cn"};
constexpr std::string_view kKaiCandidates[] = {"AR PL UKai CN", "serif:lang=zh-cn"};
constexpr std::string_view kSansCandidates[] = {"Liberation Sans", "DejaVu Sans", "sans-serif"};
constexpr std::string_view kSerifCandidates[] = {"Liberation Serif", "DejaVu Serif", "serif"};
constexpr std::string_view kMonoCandidates[] = {"Liberation Mono", "DejaVu Sans Mono", "monospace"};

struct Substitution {
  std::string_view face_name;
  std::span<const std::string_view> candidates;
  bool cell_is_em = false;  // the Windows face's cell height equals its em
};

// Fontconfig alone maps the Chinese Windows faces to a Latin-only font, which draws Chinese text
// as empty boxes; these are the installed families closest to each of them.
constexpr Substitution kSubstitutions[] = {
    {"宋体", kSongCandidates, true},       {"SimSun", kSongCandidates, true},
    {"新宋体", kSongCandidates, true},     {"NSimSun", kSongCandidates, true},
    {"仿宋", kSongCandidates, true},       {"仿宋_GB2312", kSongCandidates, true},
    {"FangSong", kSongCandidates, true},   {"黑体", kHeiCandidates, true},
    {"SimHei", kHeiCandidates, true},      {"微软雅黑", kHeiCandidates},
    {"Microsoft YaHei", kHeiCandidates},   {"楷体", kKaiCandidates, true},
    {"楷体_GB2312", kKaiCandidates, true}, {"KaiTi", kKaiCandidates, true},
    {"MS Sans Serif", kSansCandidates},    {"MS Shell Dlg", kSansCandidates},
    {"MS Shell Dlg 2", kSansCandidates},   {"Microsoft Sans Serif", kSansCandidates},
    {"Tahoma", kSansCandidates},           {"Arial", kSansCandidates},
    {"Times New Roman", kSerifCandidates}, {"Courier New", kMonoCandidates},
};

struct Query {
  std::string text;
  bool is_pattern = false;  // fontconfig's text form rather than a family name
  std::string style;        // a style of the family ("Bold"), from "Family Style"
  bool unknown = false;     // no family, substitute, style or pattern: the name as given
};

Query QueryFor(std::string_view face_name) {
  if (IsInstalledFamilyName(face_name)) return {std::string(face_name), false, {}, false};
  const std::span<const std::string_view> candidates = FaceSubstitutes(face_name);
  for (size_t i = 0; i < candidates.size(); ++i) {
    const bool last = i + 1 == candidates.size();
    if (last) return {std::string(candidates[i]), true, {}, false};
    if (IsInstalledFamilyName(candidates[i])) {
      return {std::string(candidates[i]), false, {}, false};
    }
  }
  // "Family:weight=bold": fontconfig's own form, when what comes before the colon is a family.
  if (const size_t colon = face_name.find(':');
      colon != std::string_view::npos && IsInstalledFamilyName(face_name.substr(0, colon))) {
    return {std::string(face_name), true, {}, false};
  }
  // "Family Style": the longest installed family that starts the name, the rest its style.
  for (size_t space = face_name.rfind(' '); space != std::string_view::npos && space > 0;
       space = face_name.rfind(' ', space - 1)) {
    if (IsInstalledFamilyName(face_name.substr(0, space))) {
      return {std::string(face_name.substr(0, space)), false,
              std::string(face_name.substr(space + 1)), false};
    }
  }
  return {std::string(face_name), false, {}, true};
}

// A weight or slant that the pattern already has (from a parsed name) is kept.
void AddStyle(FcPattern* pattern, const FaceRequest& request) {
  const int weight = request.weight <= 0 ? 400 : std::min(request.weight, 1000);
  FcValue value;
  bool ok = FcPatternGet(pattern, FC_WEIGHT, 0, &value) == FcResultMatch ||
            FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight)) == FcTrue;
  ok = ok && (FcPatternGet(pattern, FC_SLANT, 0, &value) == FcResultMatch ||
              FcPatternAddInteger(pattern, FC_SLANT,
                                  request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN) == FcTrue);
  ok = ok && FcPatternAddDouble(pattern, FC_PIXEL_SIZE, request.pixel_size) == FcTrue;
  if (!ok) throw ECanvasError(Tr("cannot describe the font (out of memory)"));
}

// The pattern after fontconfig's own substitutions, ready for matching or sorting.
void PrepareForMatch(FcPattern* pattern) {
  if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern) != FcTrue) {
    throw ECanvasError(Tr("cannot match the font (fontconfig substitution failed)"));
  }
  FcDefaultSubstitute(pattern);
}

bool GetBool(FcPattern* pattern, const char* object, bool fallback) {
  FcBool value = FcFalse;
  if (FcPatternGetBool(pattern, object, 0, &value) != FcResultMatch) return fallback;
  return value == FcTrue;
}

// Nothing when the pattern names no file.
std::optional<FontFile> FontFileOf(FcPattern* font) {
  FcChar8* path = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch || path == nullptr) {
    return std::nullopt;
  }
  FontFile file;
  file.path = reinterpret_cast<const char*>(path);
  int index = 0;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) file.index = index;
  FcChar8* family = nullptr;
  if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr) {
    file.family = reinterpret_cast<const char*>(family);
  }
  FcChar8* style = nullptr;
  if (FcPatternGetString(font, FC_STYLE, 0, &style) == FcResultMatch && style != nullptr) {
    file.style = reinterpret_cast<const char*>(style);
  }
  file.options.antialias = GetBool(font, FC_ANTIALIAS, true);
  file.options.hinting = GetBool(font, FC_HINTING, true);
  file.options.autohint = GetBool(font, FC_AUTOHINT, false);
  file.options.embedded_bitmap = GetBool(font, FC_EMBEDDED_BITMAP, true);
  file.options.has_own_hinting = GetBool(font, FC_FONT_HAS_HINT, true);
  int hint_style = FC_HINT_SLIGHT;
  if (FcPatternGetInteger(font, FC_HINT_STYLE, 0, &hint_style) == FcResultMatch) {
    file.options.hint_style = hint_style;
  }
  return file;
}

// True when one of the font's style names (it may have one per language) is `style`, letter case
// ignored.
bool HasStyleName(FcPattern* font, const std::string& style) {
  FcChar8* name = nullptr;
  for (int n = 0; FcPatternGetString(font, FC_STYLE, n, &name) == FcResultMatch; ++n) {
    if (FcStrCmpIgnoreCase(name, FcText(style)) == 0) return true;
  }
  return false;
}

// Why the font file cannot be read, or nothing when it can.
std::optional<std::string> UnreadableFontFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    struct stat status {};
    if (fstat(fd, &status) != 0) {
      error = errno;
    } else if (S_ISDIR(status.st_mode)) {
      error = EISDIR;
    }
    close(fd);
  }
  if (error == 0) return std::nullopt;
  return Msg("cannot read the font file “%s”: %s", {path, SystemErrorText(error)});
}

// The face of a font file, as fontconfig describes it, with the rendering options that its
// configuration gives the face's family.
FontFile ResolveFontFile(const FaceRequest& request) {
  if (std::optional<std::string> problem = UnreadableFontFile(request.font_file)) {
    throw ECanvasError(*problem);
  }
  int count = 0;
  PatternPtr first(FcFreeTypeQuery(FcText(request.font_file), 0, nullptr, &count));
  if (!first || count <= 0) {
    throw ECanvasError(Msg("“%s” is not a font file", {request.font_file}));
  }
  // Indexes from 65536 up would name instances of a variable font rather than faces.
  if (request.face_index < 0 || request.face_index >= count || request.face_index > 0xFFFF) {
    const std::string index = std::to_string(request.face_index);
    if (count == 1) {
      throw ECanvasError(
          Msg("the font file “%s” has one face, number 0, not %s", {request.font_file, index}));
    }
    throw ECanvasError(Msg("the font file “%s” has faces 0 to %s, not %s",
                           {request.font_file, std::to_string(count - 1), index}));
  }
  PatternPtr font = request.face_index == 0
                        ? std::move(first)
                        : PatternPtr(FcFreeTypeQuery(FcText(request.font_file), request.face_index,
                                                     nullptr, &count));
  if (!font) {
    throw ECanvasError(Msg("“%s” is not a font file", {request.font_file}));
  }
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) throw ECanvasError(Tr("cannot describe the font (out of memory)"));
  FcChar8* family = nullptr;
  if (FcPatternGetString(font.get(), FC_FAMILY, 0, &family) == FcResultMatch &&
      FcPatternAddString(pattern.get(), FC_FAMILY, family) != FcTrue) {
    throw ECanvasError(Tr("cannot describe the font (out of memory)"));
  }
  AddStyle(pattern.get(), request);
  PrepareForMatch(pattern.get());
  PatternPtr prepared(FcFontRenderPrepare(nullptr, pattern.get(), font.get()));
  std::optional<FontFile> file;
  if (prepared) file = FontFileOf(prepared.get());
  if (!file) throw ECanvasError(Tr("cannot describe the font (out of memory)"));
  file->path = request.font_file;
  file->index = request.face_index;
  return *file;
}

// The generic families a family can belong to.
enum class Generic : uint8_t { kUnknown, kSans, kSerif, kMono };

constexpr std::pair<Generic, const char*> kGenerics[] = {
    {Generic::kSans, "sans-serif"}, {Generic::kSerif, "serif"}, {Generic::kMono, "monospace"}};

// The families fontconfig's substitution puts in the pattern for `family`, folded, in order.
std::vector<std::string> SubstitutedFamilies(const char* family) {
  std::vector<std::string> families;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern || FcPatternAddString(pattern.get(), FC_FAMILY, FcText(family)) != FcTrue ||
      FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern) != FcTrue) {
    return families;
  }
  FcChar8* name = nullptr;
  for (int n = 0; FcPatternGetString(pattern.get(), FC_FAMILY, n, &name) == FcResultMatch; ++n) {
    families.push_back(FoldCase(reinterpret_cast<const char*>(name)));
  }
  return families;
}

// The families that fontconfig's aliases prefer for exactly one generic family: those it puts
// before the generic name when expanding it, and for no other generic.
const std::unordered_map<std::string, Generic>& PreferredStyles() {
  static const std::unordered_map<std::string, Generic> styles = [] {
    std::unordered_map<std::string, Generic> found;
    if (!FontconfigReady()) return found;
    for (const auto& [generic, name] : kGenerics) {
      for (const std::string& family : SubstitutedFamilies(name)) {
        if (family == name) break;
        auto [it, inserted] = found.emplace(family, generic);
        if (!inserted && it->second != generic) it->second = Generic::kUnknown;
      }
    }
    return found;
  }();
  return styles;
}

// The generic style of a family that fontconfig's aliases prefer for one generic family only.
Generic PreferredStyleOf(const std::string& family) {
  const auto& styles = PreferredStyles();
  const auto it = styles.find(FoldCase(family));
  return it == styles.end() ? Generic::kUnknown : it->second;
}

// The generic style of a chosen family: the one its aliases prefer it for, else the first
// generic family that fontconfig's substitution adds after it.
Generic StyleOf(const std::string& family) {
  if (family.empty()) return Generic::kUnknown;
  if (const Generic style = PreferredStyleOf(family); style != Generic::kUnknown) return style;
  for (const std::string& name : SubstitutedFamilies(family.c_str())) {
    for (const auto& [generic, generic_name] : kGenerics) {
      if (name == generic_name) return generic;
    }
  }
  return Generic::kUnknown;
}

}  // namespace

std::span<const std::string_view> FaceSubstitutes(std::string_view face_name) {
  for (const Substitution& entry : kSubstitutions) {
    if (EqualsIgnoringAsciiCase(entry.face_name, face_name)) return entry.candidates;
  }
  return {};
}

bool HasWindowsCjkMetrics(std::string_view face_name) {
  for (const Substitution& entry : kSubstitutions) {
    if (EqualsIgnoringAsciiCase(entry.face_name, face_name)) {
      return entry.cell_is_em && !IsInstalledFamilyName(face_name);
    }
  }
  return false;
}

bool IsInstalledFamilyName(std::string_view family) {
  if (family.empty() || family.find('\0') != std::string_view::npos) return false;
  const std::unordered_set<std::string>& names = FamilyNames();
  return names.count(FoldCase(std::string(family))) != 0;
}

std::string FaceQueryFor(std::string_view face_name) { return QueryFor(face_name).text; }

bool IsUnknownFaceName(std::string_view face_name) {
  return !face_name.empty() && QueryFor(face_name).unknown;
}

FontFile ResolveFace(const FaceRequest& request) {
  RequireFontconfig();
  if (!request.font_file.empty()) return ResolveFontFile(request);
  const Query query = QueryFor(request.face_name);

  PatternPtr pattern(query.is_pattern ? FcNameParse(FcText(query.text)) : FcPatternCreate());
  if (!pattern) throw ECanvasError(Tr("cannot describe the font (out of memory)"));
  // A family name goes in as it stands: parsing it would read ':' and '-' in it as syntax.
  if (!query.is_pattern && !query.text.empty() &&
      FcPatternAddString(pattern.get(), FC_FAMILY, FcText(query.text)) != FcTrue) {
    throw ECanvasError(Tr("cannot describe the font (out of memory)"));
  }
  if (!query.style.empty() &&
      FcPatternAddString(pattern.get(), FC_STYLE, FcText(query.style)) != FcTrue) {
    throw ECanvasError(Tr("cannot describe the font (out of memory)"));
  }
  AddStyle(pattern.get(), request);
  PrepareForMatch(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  std::optional<FontFile> file;
  if (match) file = FontFileOf(match.get());
  if (!file) throw ECanvasError(Msg("no usable font for “%s”", {request.face_name}));
  if (!query.style.empty() && !HasStyleName(match.get(), query.style)) {
    file->missing_style = query.style;
  }
  return *file;
}

struct FallbackFonts::State {
  struct Entry {
    std::optional<Generic> style;  // found on first use
    FcPattern* font = nullptr;     // owned by `fonts`
    FcCharSet* charset = nullptr;  // owned by `font`
    std::optional<FontFile> file;  // rendering options filled in on first use
    bool prepared = false;
    bool color = false;
    bool mono = false;
  };
  PatternPtr query;
  FontSetPtr fonts;
  std::vector<Entry> entries;
  Generic style = Generic::kUnknown;  // the primary family's
};

FallbackFonts::FallbackFonts(const FaceRequest& request, std::string primary_family)
    : request_(request), primary_family_(std::move(primary_family)) {}

FallbackFonts::~FallbackFonts() = default;

const FontFile* FallbackFonts::FontFor(char32_t c) {
  return Find(std::u32string_view(&c, 1), false);
}

const FontFile* FallbackFonts::ColorFontFor(char32_t c) {
  return Find(std::u32string_view(&c, 1), true);
}

const FontFile* FallbackFonts::FontForAll(std::u32string_view cluster) {
  std::u32string visible;
  for (const char32_t c : cluster) {
    if (!IsDefaultIgnorable(c)) visible.push_back(c);
  }
  return visible.empty() ? nullptr : Find(visible, false);
}

void FallbackFonts::Prepare() {
  state_ = std::make_unique<State>();
  if (!FontconfigReady()) return;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return;
  bool ok = FcPatternAddString(pattern.get(), FC_LANG, FcText("zh-cn")) == FcTrue;
  if (!primary_family_.empty()) {
    ok = ok && FcPatternAddString(pattern.get(), FC_FAMILY, FcText(primary_family_)) == FcTrue;
  }
  if (!ok) return;
  try {
    AddStyle(pattern.get(), request_);
    PrepareForMatch(pattern.get());
  } catch (const ECanvasError&) {
    return;  // no fallback: the primary face's .notdef glyph stands in
  }
  state_->style = StyleOf(primary_family_);
  FcResult result = FcResultNoMatch;
  state_->fonts.reset(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
  state_->query = std::move(pattern);
  if (!state_->fonts) return;
  for (int i = 0; i < state_->fonts->nfont; ++i) {
    State::Entry entry;
    entry.font = state_->fonts->fonts[i];
    if (FcPatternGetCharSet(entry.font, FC_CHARSET, 0, &entry.charset) != FcResultMatch) {
      continue;
    }
    entry.color = GetBool(entry.font, FC_COLOR, false);
    int spacing = FC_PROPORTIONAL;
    entry.mono = FcPatternGetInteger(entry.font, FC_SPACING, 0, &spacing) == FcResultMatch &&
                 spacing >= FC_MONO;
    state_->entries.push_back(std::move(entry));
  }
}

const FontFile* FallbackFonts::Find(std::u32string_view cluster, bool color_only) {
  if (!state_) Prepare();
  bool shaped = false;
  for (const char32_t c : cluster) shaped = shaped || NeedsShaping(c);
  // A font of the chosen face's style first, so that a letter the face lacks does not come
  // from a face of another kind; then any. Complex scripts look wrong in a monospaced font: one
  // is taken only when no other has the characters.
  if (!color_only && state_->style != Generic::kUnknown &&
      !(shaped && state_->style == Generic::kMono)) {
    if (const FontFile* file = Search(cluster, false, !shaped, true)) return file;
  }
  if (shaped) {
    if (const FontFile* file = Search(cluster, color_only, false, false)) return file;
  }
  return Search(cluster, color_only, true, false);
}

const FontFile* FallbackFonts::Search(std::u32string_view cluster, bool color_only, bool allow_mono,
                                      bool same_style) {
  for (State::Entry& entry : state_->entries) {
    if (color_only && !entry.color) continue;
    if (!allow_mono && entry.mono) continue;
    bool has_all = true;
    for (const char32_t c : cluster) {
      if (FcCharSetHasChar(entry.charset, static_cast<FcChar32>(c)) != FcTrue) {
        has_all = false;
        break;
      }
    }
    if (!has_all) continue;
    if (same_style) {
      if (!entry.style) {
        FcChar8* family = nullptr;
        entry.style = Generic::kUnknown;
        if (entry.mono) {
          entry.style = Generic::kMono;
        } else if (FcPatternGetString(entry.font, FC_FAMILY, 0, &family) == FcResultMatch) {
          entry.style = PreferredStyleOf(reinterpret_cast<const char*>(family));
        }
      }
      if (*entry.style != state_->style) continue;
    }
    if (!entry.prepared) {
      entry.prepared = true;
      PatternPtr prepared(FcFontRenderPrepare(nullptr, state_->query.get(), entry.font));
      if (prepared) entry.file = FontFileOf(prepared.get());
    }
    if (entry.file) return &*entry.file;
  }
  return nullptr;
}

}  // namespace t2j
