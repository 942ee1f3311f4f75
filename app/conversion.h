// One conversion of the window, run on a thread of its own so that the window keeps answering.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/preview_image.h"
#include "convert/picture_rows.h"
#include "convert/render_settings.h"
#include "platform/failure.h"

namespace t2j {

// What the window hands to a conversion at the press: the text and every setting as they were
// then, and the file name already built.
struct ConversionRequest {
  std::string text;  // UTF-8, as the input box holds it
  RenderSettings settings;
  int32_t pixels_per_inch = 96;
  std::string file_name;
  // Runs on the conversion's thread once the text is laid out, before the file is written.
  std::function<void()> laid_out;
};

// The silent failure that ends a cancelled conversion.
class EConversionCancelled : public EAbort {};

// The rows of a picture as the encoder reads them, counted, with a way to stop: once `cancel`
// is set, the next row fails with EConversionCancelled.
class CountedRows final : public PictureRows {
 public:
  CountedRows(PictureRows& rows, const std::atomic<bool>& cancel, std::atomic<int32_t>& done)
      : rows_(rows), cancel_(cancel), done_(done) {}
  const uint8_t* Row(int32_t y) override;

 private:
  PictureRows& rows_;
  const std::atomic<bool>& cancel_;
  std::atomic<int32_t>& done_;
};

// A conversion on its own thread: the text is laid out, then drawn a band at a time into the
// encoder, which writes the file (its steps and failures those of SaveJpegFile). Its state is
// read from the window's thread while it runs.
class Conversion {
 public:
  // Starts the thread. `finished` runs on that thread as its last step; it must only post.
  Conversion(ConversionRequest request, std::function<void()> finished);
  // Cancels and waits for the thread.
  ~Conversion();
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;

  // Asks the conversion to stop: no row is encoded after it, and no file is written.
  void Cancel() { cancel_.store(true); }
  bool Cancelled() const { return cancel_.load(); }

  bool Finished() const { return finished_.load(); }
  // The picture's height once it is laid out, else 0; and the rows drawn and encoded so far.
  int32_t Height() const { return height_.load(); }
  int32_t RowsDone() const { return rows_done_.load(); }
  // True once the text is laid out and the file is being written: the file name is used.
  bool Writing() const { return writing_.load(); }

  // After Finished: the failure, or nullptr when the file was written (a cancelled conversion
  // fails with EConversionCancelled).
  std::exception_ptr Failure() const { return failure_; }
  // After Finished without failure: the picture, for the preview.
  std::shared_ptr<const PreviewPicture> Picture() const { return picture_; }

 private:
  void Run();

  ConversionRequest request_;
  std::function<void()> on_finished_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> writing_{false};
  std::atomic<int32_t> height_{0};
  std::atomic<int32_t> rows_done_{0};
  std::exception_ptr failure_;
  std::shared_ptr<const PreviewPicture> picture_;
  std::thread thread_;
};

}  // namespace t2j
