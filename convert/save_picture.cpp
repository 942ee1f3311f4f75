#include "convert/save_picture.h"

#include "convert/jpeg_image.h"

namespace t2j {

std::string NextOutputFileName(const std::string& base_name, bool numbering,
                               PictureFileState& state) {
  std::string name = base_name;
  if (numbering) {
    name += std::to_string(state.NextFileNumber);
    // Past the largest number the count wraps to the smallest, as a 32-bit register does.
    state.NextFileNumber =
        static_cast<int32_t>(static_cast<uint32_t>(state.NextFileNumber) + uint32_t{1});
  }
  name += ".jpg";
  state.OutputFileName = name;
  return name;
}

void SavePictureFile(const RenderedPicture& picture, const std::string& base_name, bool numbering,
                     bool preview, PictureFileState& state, PreviewSink& sink) {
  const std::string file_name = NextOutputFileName(base_name, numbering, state);
  TJPEGImage jpeg;
  jpeg.Assign(picture);
  jpeg.SaveToFile(file_name);
  if (preview) sink.SetPreviewPicture(jpeg.Picture());
  sink.RepaintPreview();
}

}  // namespace t2j
