// The second half of a conversion: file name, JPEG file, preview.
#pragma once

#include <cstdint>
#include <string>

#include "convert/rendered_picture.h"

namespace t2j {

// State of the window that lasts from one conversion to the next.
struct PictureFileState {
  int32_t NextFileNumber = 0;
  std::string OutputFileName;  // UTF-8
};

// What the window does with a converted picture when the preview is on.
class PreviewSink {
 public:
  virtual ~PreviewSink() = default;
  // The preview picture becomes `picture` (its pixels shared, not copied).
  virtual void SetPreviewPicture(const RenderedPicture& picture) = 0;
  // Repaints the preview pane at once.
  virtual void RepaintPreview() = 0;
};

// The file name of the next conversion: the base name unchanged, the number when numbering is
// on (NextFileNumber is then used up, advancing by one), then ".jpg". Stores the name in
// OutputFileName and returns it.
std::string NextOutputFileName(const std::string& base_name, bool numbering,
                               PictureFileState& state);

// Builds the name, writes the picture as a JPEG file (zero bytes for an empty picture), hands
// the picture to the preview when `preview` is on, then repaints the preview. The number stays
// used when a later step fails. Failures: those of TJPEGImage::SaveToFile; the preview is then
// neither updated nor repainted.
void SavePictureFile(const RenderedPicture& picture, const std::string& base_name, bool numbering,
                     bool preview, PictureFileState& state, PreviewSink& sink);

}  // namespace t2j
