// A created font over FreeType: the chosen face, the faces that fall back for what it lacks, and
// the layout of a line over them.
#pragma once

#include <memory>
#include <string_view>

#include "text/font_engine.h"
#include "text/font_resolver.h"
#include "text/font_size.h"
#include "text/sized_face.h"

namespace t2j {

// Opens the faces of font files, each once, for the fonts made from it.
class FaceOpener {
 public:
  virtual ~FaceOpener() = default;
  // The face of the file; nullptr when FreeType cannot open it.
  virtual std::shared_ptr<Face> OpenFace(const FontFile& file) = 0;
};

// The font drawn with `primary` (the face of `primary_file` at `size`) and the fallback faces
// for the request, opened through `opener`, which must outlive the font.
std::unique_ptr<TextFont> MakeFreeTypeFont(FaceOpener& opener, const FaceRequest& request,
                                           const FontFile& primary_file,
                                           std::unique_ptr<SizedFace> primary,
                                           const PixelSize& size);

// The character at `pos`, moving past it. A byte that starts no well-formed UTF-8 sequence is
// one U+FFFD, so that nothing of a broken line goes unmeasured.
char32_t NextCodePoint(std::string_view text, size_t& pos);

}  // namespace t2j
