#include "cli/picture_job.h"

#include <sys/stat.h>

#include <memory>
#include <vector>

#include "cli/output_names.h"
#include "convert/failure_text.h"
#include "convert/jpeg_image.h"
#include "convert/picture_format.h"
#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

// The stream going to a descriptor that is no file of ours (standard output).
class DescriptorSink final : public JpegSink {
 public:
  explicit DescriptorSink(int fd) : fd_(fd) {}
  bool Put(const uint8_t* bytes, size_t count) override {
    error_ = WriteAll(fd_, std::string_view(reinterpret_cast<const char*>(bytes), count));
    return error_ == 0;
  }
  [[noreturn]] void ThrowFailure() override {
    throw Exception(
        Msg("cannot write the picture to standard output: %s", {SystemErrorText(error_)}));
  }

 private:
  int fd_;
  int error_ = 0;
};

// The pages of an earlier run past `last`, which this run leaves alone.
std::string StalePagesWarning(const std::string& path, size_t last) {
  size_t end = last + 1;
  struct stat info {};
  while (::lstat(PageName(path, end).c_str(), &info) == 0) ++end;
  if (end == last + 1) return {};
  if (end == last + 2) {
    return Msg("\"%s\" from an earlier run is left as it was", {PageName(path, last + 1)});
  }
  return Msg("\"%s\" to \"%s\" from an earlier run are left as they were",
             {PageName(path, last + 1), PageName(path, end - 1)});
}

std::string JoinWarnings(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + "\n" + b;
}

std::string WritePicturesOf(InputReader& input, const PictureOptions& options, FontEngine& engine,
                            const PictureOutput& output);
std::string WritePictureOf(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine);

}  // namespace

std::string WritePictures(InputReader& input, const PictureOptions& options, FontEngine& engine,
                          const PictureOutput& output) {
  return NamingMemory([&] { return WritePicturesOf(input, options, engine, output); });
}

std::string WritePictureTo(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine) {
  return NamingMemory([&] { return WritePictureOf(fd, input, options, engine); });
}

namespace {

std::string WritePicturesOf(InputReader& input, const PictureOptions& options, FontEngine& engine,
                            const PictureOutput& output) {
  const bool paged = options.max_height.has_value();
  CommitGroup pages;
  Uncovered uncovered;
  PictureLines pictures(input, options, engine);
  std::vector<std::string> lines;
  size_t page = 0;
  // Each picture's name is checked before its lines are read.
  auto file = std::make_unique<FileReplacement>(output.group);
  std::string name = paged ? PageName(output.path, 1) : output.path;
  OpenPicture(*file, name);
  while (pictures.Next(lines)) {
    ++page;
    if (output.inputs != nullptr && output.inputs->Contains(name)) {
      throw Exception(Msg("the picture \"%s\" would replace an input file", {name}));
    }
    DrawPicture(lines, options, engine, uncovered,
                [&](int32_t width, int32_t height, PictureRows& rows) {
                  WritePicture(*file, name, width, height, rows, options.encoding);
                });
    int error;
    if (paged || output.group != nullptr) {
      error = file->Commit(pages, page);
    } else {
      error = file->Commit();
    }
    if (error != 0) throw EWriteError(name, error);
    if (!paged) break;
    name = PageName(output.path, page + 1);
    file = std::make_unique<FileReplacement>(output.group);
    OpenPicture(*file, name);
  }
  file.reset();
  std::string warning = uncovered.Warning();
  if (paged) warning = JoinWarnings(warning, StalePagesWarning(output.path, page));
  if (output.group != nullptr) {
    output.group->Adopt(pages, output.tag);
  } else {
    for (const CommitGroup::Result& result : pages.Flush()) {
      if (result.error != 0) {
        throw EWriteError(PageName(output.path, result.tag), result.error);
      }
    }
  }
  return warning;
}

std::string WritePictureOf(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine) {
  DescriptorSink sink(fd);
  return EncodePicture(input, options, engine, sink);
}

}  // namespace
}  // namespace t2j
