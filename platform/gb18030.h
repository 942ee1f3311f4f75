// Text inside the program is UTF-8. Where the program counts bytes (a line cut, a face name's
// length) it counts those of the text's GB18030 encoding, the superset of code page 936.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace t2j
