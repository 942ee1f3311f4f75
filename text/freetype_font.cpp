#include "text/freetype_font.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "text/text_shaping.h"

namespace t2j {
namespace {

struct CharGlyph {
  SizedFace* face = nullptr;
  Glyph* glyph = nullptr;
  bool shaped = false;   // the line goes through shaping
  bool covered = false;  // some face has the character
};

// A glyph of a laid-out line, `x` pixels right of the line's start and `rise` pixels up.
struct PlacedGlyph {
  SizedFace* face = nullptr;
  Glyph* glyph = nullptr;
  int64_t x = 0;
  int64_t rise = 0;
};

class FreeTypeFont final : public TextFont {
 public:
  FreeTypeFont(FaceOpener& engine, const FaceRequest& request, const FontFile& primary_file,
               std::unique_ptr<SizedFace> primary, const PixelSize& size)
      : engine_(engine),
        size_(size),
        primary_(primary.get()),
        fallback_(request, primary_file.family),
        bmp_(new CharGlyph[0x10000]()) {
    faces_.emplace(std::make_pair(primary_file.path, primary_file.index), std::move(primary));
    invisible_.image = Glyph::Image::kEmpty;
  }

  TextExtent Measure(std::string_view text) const override {
    int64_t width = 0;
    for (size_t pos = 0; pos < text.size();) {
      const CharGlyph glyph = Lookup(NextCodePoint(text, pos));
      if (glyph.shaped) return TextExtent{LayOut(text), size_.cell()};
      width += glyph.glyph->advance;
    }
    return TextExtent{width, size_.cell()};
  }

  RowSpan DrawnRows(std::string_view text) const override {
    RowSpan rows{0, size_.cell()};
    const InkBox ink = Ink(text);
    if (!ink.Empty()) {
      rows.top = std::min(rows.top, ink.top);
      rows.bottom = std::max(rows.bottom, ink.bottom);
    }
    return rows;
  }

  InkBox Ink(std::string_view text) const override {
    InkBox box;
    const auto add = [&](const Glyph& glyph, int64_t x, int64_t rise) {
      if (glyph.ink.Empty()) return;
      const int64_t top = size_.ascent - rise + glyph.ink.top;
      const int64_t bottom = size_.ascent - rise + glyph.ink.bottom;
      if (box.Empty()) {
        box = InkBox{x + glyph.ink.left, x + glyph.ink.right, top, bottom};
        return;
      }
      box.left = std::min(box.left, x + glyph.ink.left);
      box.right = std::max(box.right, x + glyph.ink.right);
      box.top = std::min(box.top, top);
      box.bottom = std::max(box.bottom, bottom);
    };
    if (NeedsLayout(text)) {
      LayOut(text);
      for (const PlacedGlyph& placed : placed_) add(*placed.glyph, placed.x, placed.rise);
      return box;
    }
    int64_t pen = 0;
    for (size_t pos = 0; pos < text.size();) {
      const Glyph& glyph = *Lookup(NextCodePoint(text, pos)).glyph;
      add(glyph, pen, 0);
      pen += glyph.advance;
    }
    return box;
  }

  void Draw(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color, Rgb background,
            int64_t clip_right) const override {
    DrawLine(raster, x, y, text, color, &background, clip_right);
  }

  void DrawOver(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
                int64_t clip_right) const override {
    DrawLine(raster, x, y, text, color, nullptr, clip_right);
  }

  std::vector<char32_t> Uncovered(std::string_view text) const override {
    if (NeedsLayout(text)) {
      LayOut(text);
      return missing_;
    }
    std::vector<char32_t> missing;
    for (size_t pos = 0; pos < text.size();) {
      const char32_t c = NextCodePoint(text, pos);
      if (!Lookup(c).covered && !IsInvisible(c)) missing.push_back(c);
    }
    return missing;
  }

 private:
  CharGlyph Lookup(char32_t c) const {
    if (c < 0x10000) {
      CharGlyph& slot = bmp_[c];
      if (slot.glyph == nullptr) slot = Resolve(c);
      return slot;
    }
    auto it = astral_.find(c);
    if (it == astral_.end()) it = astral_.emplace(c, Resolve(c)).first;
    return it->second;
  }

  // Fills the cell with `background` unless that is nullptr, then draws the glyphs.
  void DrawLine(Raster& raster, int64_t x, int64_t y, std::string_view text, Rgb color,
                const Rgb* background, int64_t clip_right) const {
    const int64_t width = LayOut(text);
    const Visible visible{std::min<int64_t>(clip_right, raster.width()), raster.height()};
    if (background != nullptr) {
      raster.FillRect(x, y, std::min(x + width, visible.right_limit), y + size_.cell(),
                      *background);
    }
    const int64_t baseline = y + size_.ascent;
    for (const PlacedGlyph& placed : placed_) {
      placed.face->DrawGlyph(*placed.glyph, raster, x + placed.x, baseline - placed.rise, color,
                             visible);
    }
  }

  CharGlyph Resolve(char32_t c) const {
    const bool shaped = NeedsShaping(c);
    // Default-ignorable characters are neither seen nor take room, whatever the faces have.
    if (IsDefaultIgnorable(c)) return CharGlyph{primary_, &invisible_, shaped, true};
    if (const FT_UInt index = primary_->IndexOf(c); index != 0) {
      return CharGlyph{primary_, primary_->GlyphAt(index), shaped, true};
    }
    if (const FontFile* file = fallback_.FontFor(c)) {
      if (SizedFace* face = FaceFor(*file)) {
        if (const FT_UInt index = face->IndexOf(c); index != 0) {
          return CharGlyph{face, face->GlyphAt(index), shaped, true};
        }
      }
    }
    return CharGlyph{primary_, primary_->GlyphAt(0), shaped, false};  // .notdef
  }

  // The colour face that has the character, or nullptr.
  SizedFace* ColorFaceFor(char32_t c) const {
    if (primary_->IsColor() && primary_->IndexOf(c) != 0) return primary_;
    if (const FontFile* file = fallback_.ColorFontFor(c)) {
      if (SizedFace* face = FaceFor(*file); face != nullptr && face->IndexOf(c) != 0) return face;
    }
    return nullptr;
  }

  // Controls and default-ignorable characters: never drawn as a box of their own.
  static bool IsInvisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || IsDefaultIgnorable(c);
  }

  // True when the face has every visible character of the cluster, or the composed form
  // of the cluster (which the shaper then takes).
  bool HasCluster(const SizedFace& face, std::u32string_view cluster) const {
    bool all = true;
    for (const char32_t c : cluster) {
      if (!IsInvisible(c) && face.IndexOf(c) == 0) all = false;
    }
    if (all) return true;
    composed_.clear();
    if (!ComposeCluster(cluster, composed_)) return false;
    for (const char32_t c : composed_) {
      if (!IsInvisible(c) && face.IndexOf(c) == 0) return false;
    }
    return true;
  }

  // The face for a cluster that is shaped: the face of its first character when that face
  // has all of it, else the first face, the chosen one first, that has all of it, else the
  // first character's face, whose missing marks are noted.
  SizedFace* ClusterFace(std::u32string_view cluster, SizedFace* base) const {
    if (cluster.size() == 1 || HasCluster(*base, cluster)) return base;
    if (base != primary_ && HasCluster(*primary_, cluster)) return primary_;
    const FontFile* file = fallback_.FontForAll(cluster);
    if (file == nullptr && ComposeCluster(cluster, composed_)) {
      file = fallback_.FontForAll(composed_);
    }
    if (file != nullptr) {
      if (SizedFace* face = FaceFor(*file); face != nullptr && HasCluster(*face, cluster)) {
        return face;
      }
    }
    for (const char32_t c : cluster) {
      if (!IsInvisible(c) && base->IndexOf(c) == 0) missing_.push_back(c);
    }
    return base;
  }

  bool NeedsLayout(std::string_view text) const {
    for (size_t pos = 0; pos < text.size();) {
      if (Lookup(NextCodePoint(text, pos)).shaped) return true;
    }
    return false;
  }

  // Places the line's glyphs into placed_ and gives its width. Lines without characters that
  // need shaping take each character's advance in turn; the others are split into runs, shaped
  // where needed, and ordered left to right.
  int64_t LayOut(std::string_view text) const {
    placed_.clear();
    chars_.clear();
    bool shaped = false;
    int64_t pen = 0;
    for (size_t pos = 0; pos < text.size();) {
      const char32_t c = NextCodePoint(text, pos);
      const CharGlyph glyph = Lookup(c);
      shaped = shaped || glyph.shaped;
      chars_.push_back(c);
      if (!shaped) {
        placed_.push_back(PlacedGlyph{glyph.face, glyph.glyph, pen, 0});
        pen += glyph.glyph->advance;
      }
    }
    if (!shaped) return pen;

    placed_.clear();
    run_faces_.clear();
    missing_.clear();
    LimitClusterLength(chars_);
    const std::u32string_view line(chars_.data(), chars_.size());
    SizedFace* previous = nullptr;
    const auto face_of = [&](size_t begin, size_t end) {
      SizedFace* face = nullptr;
      for (size_t i = begin; i < end && face == nullptr; ++i) {
        if (AsksForEmoji(line[i])) face = ColorFaceFor(line[begin]);
      }
      if (face == nullptr) {
        const CharGlyph glyph = Lookup(line[begin]);
        const std::u32string_view cluster = line.substr(begin, end - begin);
        face = glyph.face;
        if (!glyph.covered && !IsInvisible(line[begin])) missing_.push_back(line[begin]);
        // A word of a script the primary face lacks stays in one fallback face where it can,
        // so that its letters join.
        if (glyph.shaped && face != primary_ && previous != nullptr && previous != primary_ &&
            previous != face && !previous->IsColor() && HasCluster(*previous, cluster)) {
          face = previous;
        } else if (glyph.covered) {
          face = ClusterFace(cluster, face);
        } else {
          for (size_t i = begin + 1; i < end; ++i) {
            if (!Lookup(line[i]).covered && !IsInvisible(line[i])) missing_.push_back(line[i]);
          }
        }
      }
      previous = face;
      const auto it = std::find(run_faces_.begin(), run_faces_.end(), face);
      if (it != run_faces_.end()) return static_cast<int>(it - run_faces_.begin());
      run_faces_.push_back(face);
      return static_cast<int>(run_faces_.size() - 1);
    };
    pen = 0;
    for (const TextRun& run : VisualRuns(line, face_of)) {
      SizedFace* face = run_faces_[static_cast<size_t>(run.face)];
      if (!run.shaped || !face->CanShape()) {
        for (size_t i = run.begin; i < run.end; ++i) {
          const CharGlyph glyph = Lookup(line[i]);
          placed_.push_back(PlacedGlyph{glyph.face, glyph.glyph, pen, 0});
          pen += glyph.glyph->advance;
        }
        continue;
      }
      shaped_.clear();
      face->Shaping().Shape(line, run, shaped_);
      int64_t advance_64ths = 0;
      for (const ShapedGlyph& glyph : shaped_) {
        const int64_t x = pen + ((advance_64ths + glyph.x_offset + 32) >> 6);
        Glyph* image = face->GlyphAt(glyph.index);
        placed_.push_back(PlacedGlyph{face, image, x, (int64_t{glyph.y_offset} + 32) >> 6});
        advance_64ths += run.own_advances && glyph.x_advance != 0 ? int64_t{image->advance} * 64
                                                                  : glyph.x_advance;
      }
      pen += (advance_64ths + 32) >> 6;
    }
    return pen;
  }

  SizedFace* FaceFor(const FontFile& file) const;

  FaceOpener& engine_;
  PixelSize size_;
  SizedFace* primary_;
  mutable FallbackFonts fallback_;
  // Faces by file and index; nullptr for one that could not be opened at this size.
  mutable std::map<std::pair<std::string, int>, std::unique_ptr<SizedFace>> faces_;
  mutable std::unique_ptr<CharGlyph[]> bmp_;
  mutable std::unordered_map<char32_t, CharGlyph> astral_;
  mutable std::vector<char32_t> chars_;
  mutable std::vector<PlacedGlyph> placed_;
  mutable std::vector<SizedFace*> run_faces_;
  mutable std::vector<ShapedGlyph> shaped_;
  mutable std::vector<char32_t> missing_;  // of the line laid out last
  mutable std::u32string composed_;
  mutable Glyph invisible_;  // of default-ignorable characters: nothing, no width
};

SizedFace* FreeTypeFont::FaceFor(const FontFile& file) const {
  const auto key = std::make_pair(file.path, file.index);
  if (auto it = faces_.find(key); it != faces_.end()) return it->second.get();
  std::unique_ptr<SizedFace> sized;
  if (std::shared_ptr<Face> face = engine_.OpenFace(file)) {
    FT_Error error = 0;
    sized = SizedFace::Make(std::move(face), file.options, size_.em_64ths, error,
                            CellFit{size_.ascent, size_.descent});
  }
  return faces_.emplace(key, std::move(sized)).first->second.get();
}

}  // namespace

std::unique_ptr<TextFont> MakeFreeTypeFont(FaceOpener& opener, const FaceRequest& request,
                                           const FontFile& primary_file,
                                           std::unique_ptr<SizedFace> primary,
                                           const PixelSize& size) {
  return std::make_unique<FreeTypeFont>(opener, request, primary_file, std::move(primary), size);
}

char32_t NextCodePoint(std::string_view text, size_t& pos) {
  constexpr char32_t kReplacement = 0xFFFD;
  const unsigned lead = static_cast<unsigned char>(text[pos]);
  size_t length = 1;
  char32_t value = lead;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else if (lead >= 0x80) {
    ++pos;
    return kReplacement;
  }
  if (length > text.size() - pos) {
    ++pos;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    const unsigned next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return value;
}

}  // namespace t2j
