// One input's pictures: its lines laid out (broken to a width, split into pages) and written as
// the input is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/input_reader.h"
#include "convert/picture_lines.h"
#include "platform/file_output.h"
#include "text/font_engine.h"

namespace t2j {

class InputFiles;

// Where the pictures of one input go.
struct PictureOutput {
  std::string path;                    // the picture; with pages the name that PageName numbers
  const InputFiles* inputs = nullptr;  // files that no picture may replace
  // When given, the finished files join this group under `tag` (see CommitGroup); otherwise
  // they are committed before WritePictures returns.
  CommitGroup* group = nullptr;
  uint64_t tag = 0;
};

// Reads the input's lines and writes its pictures as JPEG files: the lines as the window takes
// them; with a width, uncut and broken so that every picture is at most that wide; with a most
// height, in pages PageName(path, 1), PageName(path, 2), … that each fit it, every page drawn and
// written as soon as its lines have been read. A page of blank lines is a white picture of its
// height. The name of each picture is checked before its lines are read; the pictures of one
// input appear together and only when all of them are whole (see FileReplacement, NewName::
// kWhenWhole), so a failure leaves no picture, temporary file or empty file behind. Reading stops
// as soon as the picture is known to be too tall for JPEG.
//
// Returns the warnings (each on a line of its own, or empty): characters that no installed font
// has, and pages of an earlier run beyond the last page written. Fails with EInputError for the
// input (an empty input included), Exception when the width leaves no room between the margins,
// a character is wider than that room, one line with the margins is taller than a page, or a
// picture would be one of the inputs; and with the failures of SaveJpegFile.
std::string WritePictures(InputReader& input, const PictureOptions& options, FontEngine& engine,
                          const PictureOutput& output);

// The picture of the input (no pages) written to a descriptor as it is encoded, with the
// warnings and failures of WritePictures.
std::string WritePictureTo(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine);

}  // namespace t2j
