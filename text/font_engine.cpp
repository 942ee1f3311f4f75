#include "text/font_engine.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>

#include "platform/failure.h"
#include "platform/messages.h"
#include "text/font_resolver.h"
#include "text/font_size.h"
#include "text/freetype_font.h"
#include "text/sized_face.h"

namespace t2j {
namespace {

// SimSun's and its siblings' vertical metrics: the cell is the em, the baseline 2/16 above its
// bottom.
constexpr FaceMetrics kWindowsCjkMetrics{16, 14, 2};

class FreeTypeEngine final : public FontEngine, public FaceOpener {
 public:
  FreeTypeEngine() : library_(std::make_shared<Library>()) {}

  std::unique_ptr<TextFont> CreateFont(const LogFont& log_font) override {
    FaceRequest request;
    request.face_name = log_font.lfFaceName;
    request.weight = log_font.lfWeight;
    request.italic = log_font.lfItalic != 0;
    request.font_file = log_font.font_file;
    request.face_index = log_font.font_face_index;
    request.pixel_size = static_cast<double>(
        std::clamp<int64_t>(std::llabs(static_cast<int64_t>(log_font.lfHeight)), 1, kMaxEmPixels));
    if (log_font.lfHeight == 0) request.pixel_size = static_cast<double>(kDefaultEmPixels);

    const FontFile file = ResolveFace(request);
    std::shared_ptr<Face> face = OpenFace(file);
    if (!face) throw ECanvasError(Msg("cannot open the font file “%s”", {file.path}));

    std::optional<PixelSize> size;
    if (FT_IS_SCALABLE(face->face.get())) {
      const bool cell_is_em = request.font_file.empty() && HasWindowsCjkMetrics(request.face_name);
      size = PixelSizeFor(log_font.lfHeight, cell_is_em ? kWindowsCjkMetrics : face->metrics);
      if (!size) throw EOutOfResources(TooLargeMessage(log_font.lfHeight));
      if (cell_is_em && log_font.lfHeight <= 0) {
        // Rounding ascent and descent apart could make the cell one pixel taller than the em.
        const int64_t em = size->em_64ths / 64;
        size->descent = static_cast<int32_t>((em * 2 + 8) / 16);
        size->ascent = static_cast<int32_t>(em - size->descent);
      }
    } else {
      size = BitmapFaceSize(log_font.lfHeight);
    }
    request.pixel_size = static_cast<double>(size->em_64ths) / 64.0;

    FT_Error error = 0;
    std::unique_ptr<SizedFace> primary = SizedFace::Make(face, file.options, size->em_64ths, error);
    if (!primary) {
      throw EOutOfResources(
          Msg("%s (%s)", {TooLargeMessage(log_font.lfHeight), FreeTypeErrorText(error)}));
    }
    // AR PL UMing and UKai follow the Taiwan convention of centred punctuation; the Windows
    // faces they stand in for have the mainland one.
    if (request.font_file.empty() && HasWindowsCjkMetrics(request.face_name) &&
        file.family.rfind("AR PL U", 0) == 0) {
      primary->UseMainlandPunctuation();
    }
    if (!FT_IS_SCALABLE(face->face.get())) {
      // A colour strike is scaled to the wanted size, its metrics with it.
      const FT_Size_Metrics& metrics = face->face->size->metrics;
      size->ascent = static_cast<int32_t>(std::lround(metrics.ascender * primary->scale() / 64));
      size->descent = static_cast<int32_t>(std::lround(-metrics.descender * primary->scale() / 64));
    }
    return MakeFreeTypeFont(*this, request, file, std::move(primary), *size);
  }

  // The face of the file, opened once; nullptr when FreeType cannot open it.
  std::shared_ptr<Face> OpenFace(const FontFile& file) override {
    const auto key = std::make_pair(file.path, file.index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    FT_Face ft_face = nullptr;
    std::shared_ptr<Face> face;
    if (FT_New_Face(library_->get(), file.path.c_str(), file.index, &ft_face) == 0) {
      face = std::make_shared<Face>();
      face->library = library_;
      face->face.reset(ft_face);
      face->metrics = MetricsOf(ft_face);
    }
    faces_.emplace(key, face);
    return face;
  }

 private:
  static std::string TooLargeMessage(int32_t lfHeight) {
    const int64_t pixels = std::llabs(static_cast<int64_t>(lfHeight));
    return Msg(lfHeight > 0 ? N_("font size too large: a character cell height of %s pixels is "
                                 "beyond the font engine's range (a character height of at "
                                 "most %s pixels)")
                            : N_("font size too large: a character height of %s pixels is "
                                 "beyond the font engine's range (a character height of at "
                                 "most %s pixels)"),
               {std::to_string(pixels), std::to_string(kMaxEmPixels)});
  }

  // A face without outlines is drawn at its strike nearest to the wanted height.
  static PixelSize BitmapFaceSize(int32_t lfHeight) {
    PixelSize size;
    const int64_t wanted = lfHeight == 0 ? kDefaultEmPixels : std::llabs(int64_t{lfHeight});
    size.em_64ths = std::min(wanted, kMaxEmPixels) * 64;
    return size;
  }

  std::shared_ptr<Library> library_;
  std::map<std::pair<std::string, int>, std::shared_ptr<Face>> faces_;
};

}  // namespace

FontEngine& SystemFontEngine() {
  static FreeTypeEngine engine;
  return engine;
}

std::unique_ptr<FontEngine> NewSystemFontEngine() { return std::make_unique<FreeTypeEngine>(); }

bool IsInstalledFamily(std::string_view family) { return IsInstalledFamilyName(family); }

}  // namespace t2j
