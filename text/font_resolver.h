// Font resolution, apart from drawing: from a face name to font files, through the substitution
// table for well-known Windows names, fontconfig's matching, and the fallback list of fonts that
// cover the characters the chosen face lacks.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace t2j {

// How fontconfig says a font's glyphs are to be rendered.
struct RenderOptions {
  bool antialias = true;
  bool hinting = true;
  int hint_style = 1;  // FC_HINT_NONE 0, SLIGHT 1, MEDIUM 2, FULL 3
  bool autohint = false;
  bool embedded_bitmap = true;
  bool has_own_hinting = true;  // the font carries hinting instructions of its own
};

// One face of one font file.
struct FontFile {
  std::string path;
  int index = 0;
  std::string family;
  std::string style;  // the face's style name, such as "Bold" or "Book"
  // The style that a "Family Style" face name asked for when the family has no such style.
  std::string missing_style;
  RenderOptions options;
};

// The candidates that a well-known Windows face name stands for, in order of preference: family
// names, and last, for some, a fontconfig pattern such as "serif:lang=zh-cn" that always
// matches. Letter case is ignored. Empty for any other name.
std::span<const std::string_view> FaceSubstitutes(std::string_view face_name);

// True when the face name is one of Windows' Chinese faces 宋体, 新宋体, 仿宋, 黑体 and 楷体 (by
// their Chinese or English names) and no installed family has that name, so that another family
// draws it. Those faces have a cell as high as their em: ascent 14/16, descent 2/16 of it.
bool HasWindowsCjkMetrics(std::string_view face_name);

// True when fontconfig knows a family of this name, by any of its names (localized ones
// included), letter case ignored. The family names are listed once per run.
bool IsInstalledFamilyName(std::string_view family);

// What a face has to look like besides its name.
struct FaceRequest {
  std::string face_name;
  int32_t weight = 400;  // as LOGFONT has it (400 normal, 700 bold)
  bool italic = false;
  double pixel_size = 16;  // character height, for fontconfig's size-dependent rules
  std::string font_file;   // when not empty, this font file draws, whatever the face name
  int face_index = 0;      // the face of font_file: 0 for a single font or a collection's first
};

// The fonts that cover what a primary face lacks, sorted by fontconfig for the primary's family
// with Simplified Chinese preferred. A font of the primary's generic style (sans-serif, serif or
// monospace, as fontconfig's aliases have it) comes before the others. Fontconfig is asked on
// the first lookup only.
class FallbackFonts {
 public:
  explicit FallbackFonts(const FaceRequest& request, std::string primary_family);
  ~FallbackFonts();
  FallbackFonts(const FallbackFonts&) = delete;
  FallbackFonts& operator=(const FallbackFonts&) = delete;

  // The first font of the list whose character set has `c`, or nullptr when none has it.
  // The pointer stays valid as long as this object.
  const FontFile* FontFor(char32_t c);

  // As FontFor, among the colour fonts (emoji) only.
  const FontFile* ColorFontFor(char32_t c);

  // The first font of the list that has every character of `cluster` but the default-ignorable
  // ones, or nullptr.
  const FontFile* FontForAll(std::u32string_view cluster);

 private:
  struct State;
  FaceRequest request_;
  std::string primary_family_;
  std::unique_ptr<State> state_;

  void Prepare();
  const FontFile* Find(std::u32string_view cluster, bool color_only);
  const FontFile* Search(std::u32string_view cluster, bool color_only, bool allow_mono,
                         bool same_style);
};

// Resolves a face name: a family that fontconfig knows by that name is taken as it is; else the
// first installed candidate of FaceSubstitutes; else fontconfig's form "Family:weight=bold" of an
// installed family; else "Family Style", an installed family and one of its styles ("DejaVu Sans
// Bold"); else whatever fontconfig matches for the name. A request with a font file gives that
// file's face, with the rendering options fontconfig's configuration gives the face's family.
// Fails with ECanvasError when fontconfig cannot be used or matches no font at all, and when the
// font file cannot be read, is no font, or has no face of that index (the message says which).
FontFile ResolveFace(const FaceRequest& request);

// What ResolveFace asks fontconfig for: the face name itself when it is an installed family or
// unknown, else the substitute chosen for it (a family name or a fontconfig pattern).
std::string FaceQueryFor(std::string_view face_name);

// True when ResolveFace takes the name as none of its known forms, so that fontconfig picks some
// font for it.
bool IsUnknownFaceName(std::string_view face_name);

}  // namespace t2j
