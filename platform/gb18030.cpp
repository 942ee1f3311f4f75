#include "platform/gb18030.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace t2j {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that fails on anything it cannot map, instead of substituting.
Converter OpenStrictGb18030() {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("GB18030", &status));
  if (U_FAILURE(status) || !converter) throw std::bad_alloc();
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
  return converter;
}

// GB18030 byte count of one code point: ASCII takes one byte, the characters of the two-byte
// area two, every other code point four.
size_t CodePointLength(UConverter* converter, UChar32 c) {
  if (c < 0x80) return 1;
  if (c > 0xFFFF) return 4;
  UChar unit = static_cast<UChar>(c);
  char out[8];
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(converter);
  const int32_t n = ucnv_fromUChars(converter, out, sizeof out, &unit, 1, &status);
  if (U_FAILURE(status)) return 4;  // lone surrogates: replaced by a four-byte character
  return static_cast<size_t>(n);
}

// Walks the code points of `utf8` while their GB18030 bytes stay within `max_bytes`; gives the
// UTF-8 length walked and the GB18030 bytes counted.
std::pair<size_t, size_t> WalkGb18030(std::string_view utf8, size_t max_bytes) {
  Converter converter = OpenStrictGb18030();
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  size_t total = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    UChar32 c;
    int32_t j = 0;
    const int32_t rest = static_cast<int32_t>(std::min<size_t>(utf8.size() - i, 4));
    U8_NEXT(s + i, j, rest, c);
    if (c < 0) c = 0xFFFD;
    const size_t n = CodePointLength(converter.get(), c);
    if (total + n > max_bytes) break;
    total += n;
    i += static_cast<size_t>(j);
  }
  return {i, total};
}

}  // namespace

size_t ValidUtf8Prefix(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  size_t i = 0;
  while (i < text.size()) {
    UChar32 c;
    int32_t j = 0;
    const int32_t rest = static_cast<int32_t>(std::min<size_t>(text.size() - i, 4));
    U8_NEXT(s + i, j, rest, c);
    if (c < 0) return i;
    i += static_cast<size_t>(j);
  }
  return i;
}

bool IsValidUtf8(std::string_view text) { return ValidUtf8Prefix(text) == text.size(); }

size_t Gb18030Length(std::string_view utf8) {
  return WalkGb18030(utf8, static_cast<size_t>(-1)).second;
}

size_t Gb18030PrefixLength(std::string_view utf8, size_t max_bytes) {
  // No UTF-8 byte grows into more than four GB18030 bytes (an ill-formed byte becomes the
  // four-byte replacement character): a text of at most a quarter of the limit fits whole.
  if (utf8.size() <= max_bytes / 4) return utf8.size();
  return WalkGb18030(utf8, max_bytes).first;
}

std::string Utf8ToGb18030(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8WithSub(nullptr, 0, &units, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD,
                       nullptr, &status);
  std::vector<UChar> wide(static_cast<size_t>(units) + 1);
  status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &units, utf8.data(),
                       static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  UErrorCode open_status = U_ZERO_ERROR;
  Converter converter(ucnv_open("GB18030", &open_status));
  if (U_FAILURE(open_status)) throw std::bad_alloc();
  std::string out(static_cast<size_t>(units) * 4 + 4, '\0');
  status = U_ZERO_ERROR;
  const int32_t n = ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                    wide.data(), units, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

std::optional<std::string> Gb18030ToUtf8(std::string_view gb18030) {
  Gb18030Decoder decoder;
  std::string out;
  out.reserve(gb18030.size());
  if (!decoder.Decode(gb18030, true, out)) return std::nullopt;
  return out;
}

Gb18030Decoder::Gb18030Decoder() : converter_(OpenStrictGb18030().release()) {}

Gb18030Decoder::~Gb18030Decoder() { ucnv_close(converter_); }

bool Gb18030Decoder::Decode(std::string_view bytes, bool last, std::string& out) {
  constexpr int32_t kUnits = 16384;
  UChar wide[kUnits + 1];
  const char* source = bytes.data();
  const char* const source_end = bytes.data() + bytes.size();
  for (;;) {
    UChar* target = wide;
    if (pending_lead_ != 0) *target++ = pending_lead_;
    pending_lead_ = 0;
    const char* const before = source;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter_, &target, wide + kUnits, &source, source_end, nullptr, last, &status);
    consumed_ += static_cast<uint64_t>(source - before);
    if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) {
      char invalid[32];
      int8_t length = sizeof invalid;
      UErrorCode ignored = U_ZERO_ERROR;
      ucnv_getInvalidChars(converter_, invalid, &length, &ignored);
      if (U_FAILURE(ignored)) length = 0;
      invalid_offset_ = consumed_ - std::min<uint64_t>(consumed_, static_cast<uint64_t>(length));
    }
    // A pair split by the end of the buffer is finished with the next round.
    if (target > wide && U16_IS_LEAD(target[-1]) && status == U_BUFFER_OVERFLOW_ERROR) {
      pending_lead_ = *--target;
    }
    const int32_t units = static_cast<int32_t>(target - wide);
    if (units > 0) {
      char utf8[kUnits * 3 + 3];
      int32_t length = 0;
      UErrorCode convert_status = U_ZERO_ERROR;
      u_strToUTF8WithSub(utf8, sizeof utf8, &length, wide, units, 0xFFFD, nullptr, &convert_status);
      if (U_FAILURE(convert_status)) throw std::bad_alloc();
      out.append(utf8, static_cast<size_t>(length));
    }
    if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) return false;
    if (status != U_BUFFER_OVERFLOW_ERROR) return true;
  }
}

}  // namespace t2j
