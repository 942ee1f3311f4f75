// The names of the pictures that text2jpg-cli writes for its input files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace t2j {

// The picture of an input file: the input's file name, its directories dropped and its last
// extension replaced by `extension` ("notes.txt" gives "notes.jpg", "README" gives "README.jpg"),
// inside `output_dir`, or in the current directory when `output_dir` is empty. Nothing when the
// input names no file ("", ".", "..", "dir/").
std::optional<std::string> PictureNameFor(const std::string& input_path,
                                          const std::string& output_dir,
                                          const char* extension = ".jpg");

// Page `page` (from 1) of a picture: "-<page>" inserted before the last extension of the file
// name ("out/a.jpg", 2 gives "out/a-2.jpg").
std::string PageName(const std::string& picture_path, size_t page);

// What is wrong when two pictures have the same name: a message naming both inputs, or nothing.
// `pictures[i]` is the picture of `inputs[i]`; names are compared as paths ("./a.jpg" is
// "a.jpg").
std::optional<std::string> FindSamePicture(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& pictures);

// The files that the pictures must never replace: the inputs, known by device and inode.
class InputFiles {
 public:
  explicit InputFiles(const std::vector<std::string>& inputs);
  // True when `path` is an existing file that is one of the inputs.
  bool Contains(const std::string& path) const;

 private:
  std::vector<std::pair<unsigned long, unsigned long>> ids_;
};

}  // namespace t2j
