// Text inside the program is UTF-8. Where the program counts bytes (a line cut, a face name's
// length) it counts those of the text's GB18030 encoding, the superset of code page 936.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// ICU's converter.
struct UConverter;

namespace t2j {

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The length of the longest well-formed UTF-8 prefix: where the first ill-formed sequence
// starts, or the whole length.
size_t ValidUtf8Prefix(std::string_view text);

// Length in bytes of the GB18030 form of UTF-8 text. Ill-formed sequences count as the
// replacement character they decode to.
size_t Gb18030Length(std::string_view utf8);

// The length in UTF-8 bytes of the longest prefix of `utf8` whose GB18030 form has at most
// `max_bytes` bytes. Never splits a character.
size_t Gb18030PrefixLength(std::string_view utf8, size_t max_bytes);

// The GB18030 bytes of UTF-8 text.
std::string Utf8ToGb18030(std::string_view utf8);

// UTF-8 for GB18030 bytes; nothing when the bytes are not valid GB18030.
std::optional<std::string> Gb18030ToUtf8(std::string_view gb18030);

// Decodes GB18030 bytes handed over in pieces of any size into UTF-8, so that a large input
// needs no more memory than its UTF-8 and one piece. A character may be split between pieces.
class Gb18030Decoder {
 public:
  Gb18030Decoder();
  ~Gb18030Decoder();
  Gb18030Decoder(const Gb18030Decoder&) = delete;
  Gb18030Decoder& operator=(const Gb18030Decoder&) = delete;

  // The most UTF-8 bytes that Decode appends for a piece of `bytes` bytes.
  static size_t MaxUtf8Bytes(size_t bytes) { return bytes / 2 * 3 + 8; }

  // Appends the UTF-8 of the next piece to `out`; `last` for the final piece, after which a
  // character left incomplete is invalid. False at the first invalid byte: `out` then holds the
  // text before it, and InvalidOffset() tells where it is. Nothing more may be decoded then.
  bool Decode(std::string_view bytes, bool last, std::string& out);

  // The offset of the first invalid byte from the start of the first piece.
  uint64_t InvalidOffset() const { return invalid_offset_; }

 private:
  bool DecodeRun(std::string_view run, uint64_t run_offset, std::string& out);

  UConverter* converter_ = nullptr;
  std::string carry_;      // the start of a sequence that the next piece finishes
  uint64_t consumed_ = 0;  // bytes handed over so far, carry_ included
  uint64_t invalid_offset_ = 0;
  uint16_t pending_lead_ = 0;  // a high surrogate whose pair comes with the next piece
};

}  // namespace t2j
