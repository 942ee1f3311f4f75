#include "text/font_resolver.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_set>

#include "platform/failure.h"
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
  if (!FontconfigReady()) throw ECanvasError("无法使用字体配置（fontconfig 初始化失败）");
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
};

Query QueryFor(std::string_view face_name) {
  if (IsInstalledFamilyName(face_name)) return {std::string(face_name), false};
  const std::span<const std::string_view> candidates = FaceSubstitutes(face_name);
  for (size_t i = 0; i < candidates.size(); ++i) {
    const bool last = i + 1 == candidates.size();
    if (last) return {std::string(candidates[i]), true};
    if (IsInstalledFamilyName(candidates[i])) return {std::string(candidates[i]), false};
  }
  return {std::string(face_name), false};
}

void AddStyle(FcPattern* pattern, const FaceRequest& request) {
  const int weight = request.weight <= 0 ? 400 : std::min(request.weight, 1000);
  bool ok = FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight)) == FcTrue;
  ok = ok && FcPatternAddInteger(pattern, FC_SLANT,
                                 request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN) == FcTrue;
  ok = ok && FcPatternAddDouble(pattern, FC_PIXEL_SIZE, request.pixel_size) == FcTrue;
  if (!ok) throw ECanvasError("无法描述字体（内存不足）");
}

// The pattern after fontconfig's own substitutions, ready for matching or sorting.
void PrepareForMatch(FcPattern* pattern) {
  if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern) != FcTrue) {
    throw ECanvasError("无法匹配字体（fontconfig 替换失败）");
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

FontFile ResolveFace(const FaceRequest& request) {
  RequireFontconfig();
  const Query query = QueryFor(request.face_name);
  PatternPtr pattern(query.is_pattern ? FcNameParse(FcText(query.text)) : FcPatternCreate());
  if (!pattern) throw ECanvasError("无法描述字体（内存不足）");
  // A family name goes in as it stands: parsing it would read ':' and '-' in it as syntax.
  if (!query.is_pattern && !query.text.empty() &&
      FcPatternAddString(pattern.get(), FC_FAMILY, FcText(query.text)) != FcTrue) {
    throw ECanvasError("无法描述字体（内存不足）");
  }
  AddStyle(pattern.get(), request);
  PrepareForMatch(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  std::optional<FontFile> file;
  if (match) file = FontFileOf(match.get());
  if (!file) throw ECanvasError("找不到可用的字体：“" + request.face_name + "”");
  return *file;
}

struct FallbackFonts::State {
  struct Entry {
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
};

FallbackFonts::FallbackFonts(const FaceRequest& request, std::string primary_family)
    : request_(request), primary_family_(std::move(primary_family)) {}

FallbackFonts::~FallbackFonts() = default;

const FontFile* FallbackFonts::FontFor(char32_t c) { return Find(c, false); }

const FontFile* FallbackFonts::ColorFontFor(char32_t c) { return Find(c, true); }

const FontFile* FallbackFonts::Find(char32_t c, bool color_only) {
  if (!state_) {
    state_ = std::make_unique<State>();
    if (!FontconfigReady()) return nullptr;
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return nullptr;
    bool ok = FcPatternAddString(pattern.get(), FC_LANG, FcText("zh-cn")) == FcTrue;
    if (!primary_family_.empty()) {
      ok = ok && FcPatternAddString(pattern.get(), FC_FAMILY, FcText(primary_family_)) == FcTrue;
    }
    if (!ok) return nullptr;
    try {
      AddStyle(pattern.get(), request_);
      PrepareForMatch(pattern.get());
    } catch (const ECanvasError&) {
      return nullptr;  // no fallback: the primary face's .notdef glyph stands in
    }
    FcResult result = FcResultNoMatch;
    state_->fonts.reset(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
    state_->query = std::move(pattern);
    if (state_->fonts) {
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
  }
  // Complex scripts look wrong in a monospaced font: one is taken only when no other has the
  // character.
  if (NeedsShaping(c)) {
    if (const FontFile* file = Search(c, color_only, false)) return file;
  }
  return Search(c, color_only, true);
}

const FontFile* FallbackFonts::Search(char32_t c, bool color_only, bool allow_mono) {
  for (State::Entry& entry : state_->entries) {
    if (color_only && !entry.color) continue;
    if (!allow_mono && entry.mono) continue;
    if (FcCharSetHasChar(entry.charset, static_cast<FcChar32>(c)) != FcTrue) continue;
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
