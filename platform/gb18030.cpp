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

namespace {

// The byte length of the GB18030 sequence that starts with `lead`, followed by `second` (only
// looked at for a lead byte): 1, 2 or 4. Whether the bytes are valid is ICU's to say.
size_t SequenceLength(unsigned char lead, unsigned char second) {
  if (lead < 0x81 || lead == 0xFF) return 1;
  return second >= 0x30 && second <= 0x39 ? 4 : 2;
}

// The length of the longest prefix of `bytes` that ends at the end of a sequence.
size_t WholeSequences(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = s[i];
    if (lead >= 0x81 && lead != 0xFF && i + 1 >= bytes.size()) break;
    const size_t length = SequenceLength(lead, i + 1 < bytes.size() ? s[i + 1] : 0);
    if (length > bytes.size() - i) break;
    i += length;
  }
  return i;
}

}  // namespace

bool Gb18030Decoder::Decode(std::string_view bytes, bool last, std::string& out) {
  // ICU is only ever given whole sequences, so an invalid one is always inside the bytes of one
  // call and its offset is exact; a sequence cut by the end of a piece waits in carry_.
  if (!carry_.empty()) {
    // A carried sequence needs at most three more bytes.
    std::string joint = carry_;
    joint.append(bytes.substr(0, std::min<size_t>(bytes.size(), 3)));
    size_t length = joint.size() < 2 ? 2
                                     : SequenceLength(static_cast<unsigned char>(joint[0]),
                                                      static_cast<unsigned char>(joint[1]));
    if (length > joint.size()) {
      if (!last) {  // still cut: all of this piece joins it
        carry_ = joint;
        consumed_ += bytes.size();
        return true;
      }
      length = joint.size();  // cut by the end of the input, which ICU reports
    }
    const uint64_t start = consumed_ - carry_.size();
    const size_t from_bytes = length - carry_.size();
    carry_.clear();
    if (!DecodeRun(std::string_view(joint).substr(0, length), start, out)) return false;
    consumed_ += from_bytes;
    bytes.remove_prefix(from_bytes);
  }
  const size_t whole = last ? bytes.size() : WholeSequences(bytes);
  if (!DecodeRun(bytes.substr(0, whole), consumed_, out)) return false;
  carry_.assign(bytes.substr(whole));
  consumed_ += bytes.size();
  return true;
}

bool Gb18030Decoder::DecodeRun(std::string_view run, uint64_t run_offset, std::string& out) {
  constexpr int32_t kUnits = 16384;
  UChar wide[kUnits + 1];
  const char* source = run.data();
  const char* const source_end = run.data() + run.size();
  ucnv_resetToUnicode(converter_);
  for (;;) {
    UChar* target = wide;
    if (pending_lead_ != 0) *target++ = pending_lead_;
    pending_lead_ = 0;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter_, &target, wide + kUnits, &source, source_end, nullptr, true, &status);
    const bool overflow = status == U_BUFFER_OVERFLOW_ERROR;
    const bool invalid = U_FAILURE(status) && !overflow;
    if (invalid) {
      char bad[32];
      int8_t length = sizeof bad;
      UErrorCode ignored = U_ZERO_ERROR;
      ucnv_getInvalidChars(converter_, bad, &length, &ignored);
      if (U_FAILURE(ignored)) length = 0;
      const auto at = static_cast<uint64_t>(source - run.data());
      invalid_offset_ = run_offset + at - std::min<uint64_t>(at, static_cast<uint64_t>(length));
    }
    // A pair split by the end of the buffer is finished with the next round.
    if (overflow && target > wide && U16_IS_LEAD(target[-1])) pending_lead_ = *--target;
    const int32_t units = static_cast<int32_t>(target - wide);
    if (units > 0) {
      char utf8[kUnits * 3 + 3];
      int32_t length = 0;
      UErrorCode convert_status = U_ZERO_ERROR;
      u_strToUTF8WithSub(utf8, sizeof utf8, &length, wide, units, 0xFFFD, nullptr, &convert_status);
      if (U_FAILURE(convert_status)) throw std::bad_alloc();
      out.append(utf8, static_cast<size_t>(length));
    }
    if (invalid) return false;
    if (!overflow) return true;
  }
}

}  // namespace t2j
