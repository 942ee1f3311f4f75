#include "cli/output_names.h"
#include "platform/messages.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <unordered_map>

namespace t2j {

namespace fs = std::filesystem;

std::optional<std::string> PictureNameFor(const std::string& input_path,
                                          const std::string& output_dir,
                                          const char* extension) {
  const fs::path name = fs::path(input_path).filename();
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  fs::path picture = name.stem();
  picture += extension;
  if (!output_dir.empty()) picture = fs::path(output_dir) / picture;
  return picture.string();
}

std::string PageName(const std::string& picture_path, size_t page) {
  fs::path path(picture_path);
  fs::path name = path.stem();
  name += "-" + std::to_string(page);
  name += path.extension();
  path.replace_filename(name);
  return path.string();
}

std::optional<std::string> FindSamePicture(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& pictures) {
  std::unordered_map<std::string, size_t> first_of;
  for (size_t i = 0; i < pictures.size(); ++i) {
    const std::string key = fs::path(pictures[i]).lexically_normal().string();
    const auto [it, inserted] = first_of.emplace(key, i);
    if (!inserted) {
      return Msg("'%s' and '%s' would both become '%s'",
                 {inputs[it->second], inputs[i], pictures[i]});
    }
  }
  return std::nullopt;
}

InputFiles::InputFiles(const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    struct stat info {};
    if (::stat(input.c_str(), &info) == 0) ids_.emplace_back(info.st_dev, info.st_ino);
  }
  std::sort(ids_.begin(), ids_.end());
}

bool InputFiles::Contains(const std::string& path) const {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  return std::binary_search(ids_.begin(), ids_.end(),
                            std::pair<unsigned long, unsigned long>(info.st_dev, info.st_ino));
}

}  // namespace t2j
