// Text read from a file descriptor as it arrives: decoded, checked and split into lines, so that
// neither a large input nor an endless one is ever held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/failure.h"

struct UConverter;

namespace t2j {

class Gb18030Decoder;

// The encodings of an input. kUtf8 also takes a UTF-8 or UTF-16 byte-order mark and then reads
// what the mark says; kUtf16 reads little-endian unless a mark says otherwise.
enum class InputEncoding { kUtf8, kGb18030, kUtf16, kBig5 };

// A failure of the input: not a text file, a byte that is no text in its encoding, a read error.
class EInputError : public Exception {
 public:
  using Exception::Exception;
};

// Reads lines from a descriptor: lines end at LF, CR LF or a lone CR, and the empty line after
// the last break is no line (the window's rule for its input box). Reads only as far as the
// lines asked for need, and stops at the first end of input (one Ctrl-D on a terminal).
class InputReader {
 public:
  // `name` names the input in messages ("standard input", "\"notes.txt\"").
  InputReader(int fd, std::string name, InputEncoding encoding);
  // Reads lines from text given whole (UTF-8).
  explicit InputReader(std::string text);
  // Reads lines from bytes in memory, decoded and checked exactly as from a descriptor. The
  // bytes are not copied and must outlive the reader.
  InputReader(std::string_view bytes, std::string name, InputEncoding encoding);
  ~InputReader();
  InputReader(const InputReader&) = delete;
  InputReader& operator=(const InputReader&) = delete;

  // The longest line kept whole; the rest of a longer line is read and dropped. SIZE_MAX by
  // default.
  void KeepLineBytes(size_t bytes) { keep_line_bytes_ = bytes; }

  // The next line in UTF-8, without its break. False at the end of the input. Fails with
  // EInputError naming the input and, for text that is invalid in its encoding, the byte and the
  // line where it stops being valid; a file holding a NUL byte or other binary data is "not a
  // text file". Fails with EInputError when a line grows past `kMostLineBytes`.
  bool NextLine(std::string& line);

  // True when no byte at all was read: an empty input (a byte-order mark alone counts as empty).
  bool Empty() const { return !any_text_; }

  // The number of lines handed out so far.
  uint64_t LinesRead() const { return lines_; }

  static constexpr size_t kMostLineBytes = size_t{32} << 20;

 private:
  bool Fill();
  void Decode(std::string_view bytes, bool last);
  void DecodeUtf8(std::string_view bytes, bool last);
  void DecodeIcu(std::string_view bytes, bool last);
  void Append(std::string_view utf8);
  [[noreturn]] void Invalid(uint64_t offset, std::string_view context);
  [[noreturn]] void NotText();
  void StartEncoding(std::string_view first_bytes);

  int fd_;
  std::string_view memory_;  // the unread bytes when reading from memory
  bool from_memory_ = false;
  std::string name_;
  InputEncoding encoding_;
  UConverter* converter_ = nullptr;
  std::unique_ptr<Gb18030Decoder> gb18030_;
  std::string encoding_name_;
  bool started_ = false;
  bool ended_ = false;
  bool any_text_ = false;
  std::string head_;       // the first bytes, until the encoding is settled
  std::string carry_;      // an incomplete UTF-8 sequence at the end of the last piece
  uint64_t consumed_ = 0;  // input bytes handed to the decoder, carry_ included
  uint64_t skip_bom_ = 0;
  std::string text_;  // decoded text not yet split into lines
  size_t start_ = 0;  // where in text_ the next line starts
  size_t scan_ = 0;   // where in text_ the search for a break goes on
  uint64_t lines_ = 0;
  uint64_t breaks_seen_ = 0;  // line breaks decoded so far, for messages
  size_t keep_line_bytes_ = SIZE_MAX;
};

}  // namespace t2j
