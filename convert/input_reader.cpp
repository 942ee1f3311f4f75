#include "convert/input_reader.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

constexpr size_t kReadBytes = 64 * 1024;

// The byte length that a UTF-8 lead byte announces, or 0 for a byte that starts nothing.
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// True when the bytes may be the start of a UTF-8 sequence that the next piece finishes.
bool MayBeCutSequence(std::string_view rest) {
  if (rest.empty()) return false;
  const size_t length = Utf8Length(static_cast<unsigned char>(rest[0]));
  if (length <= rest.size()) return false;
  return std::all_of(rest.begin() + 1, rest.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; });
}

// True for bytes that a text file holds no more than rarely: NUL, and the control characters
// that no text format uses.
bool LooksBinary(std::string_view bytes) {
  size_t controls = 0;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return true;
    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != '\v' && b != 0x1B &&
        b != '\b') {
      ++controls;
    }
  }
  return controls * 100 > bytes.size();
}

}  // namespace

InputReader::InputReader(int fd, std::string name, InputEncoding encoding)
    : fd_(fd), name_(std::move(name)), encoding_(encoding) {}

InputReader::InputReader(std::string_view bytes, std::string name, InputEncoding encoding)
    : fd_(-1), memory_(bytes), from_memory_(true), name_(std::move(name)), encoding_(encoding) {}

InputReader::InputReader(std::string text)
    : fd_(-1), encoding_(InputEncoding::kUtf8), started_(true), ended_(true) {
  encoding_name_ = "UTF-8";
  Append(text);
}

InputReader::~InputReader() {
  if (converter_ != nullptr) ucnv_close(converter_);
}

void InputReader::NotText() { throw EInputError(Msg("%s is not a text file", {name_})); }

void InputReader::Invalid(uint64_t offset, std::string_view context) {
  if (LooksBinary(context)) NotText();
  const char* encoding = encoding_name_.c_str();
  std::string message = "the input is not valid " + std::string(encoding) + " text: byte " +
                        std::to_string(offset + 1) + ", line " + std::to_string(breaks_seen_ + 1);
  if (encoding_ == InputEncoding::kUtf8) message += " (for GB18030 files use --encoding gb18030)";
  throw EInputError(message);
}

void InputReader::StartEncoding(std::string_view first) {
  started_ = true;
  auto starts = [&](std::string_view mark) { return first.substr(0, mark.size()) == mark; };
  std::string icu_name;
  switch (encoding_) {
    case InputEncoding::kUtf8:
      if (starts("\xEF\xBB\xBF")) {
        skip_bom_ = 3;
      } else if (starts("\xFF\xFE") || starts("\xFE\xFF") ||
                 (first.size() >= 4 && first[0] != 0 && first[1] == 0 && first[2] != 0 &&
                  first[3] == 0) ||
                 (first.size() >= 4 && first[0] == 0 && first[1] != 0 && first[2] == 0 &&
                  first[3] != 0)) {
        // Windows Notepad's "Unicode": read as UTF-16, whatever the default.
        encoding_ = InputEncoding::kUtf16;
      }
      break;
    default:
      break;
  }
  switch (encoding_) {
    case InputEncoding::kUtf8:
      encoding_name_ = "UTF-8";
      return;
    case InputEncoding::kGb18030:
      encoding_name_ = "GB18030";
      gb18030_ = std::make_unique<Gb18030Decoder>();
      return;
    case InputEncoding::kUtf16: {
      encoding_name_ = "UTF-16";
      const bool big_endian = starts("\xFE\xFF") || (!starts("\xFF\xFE") && first.size() >= 2 &&
                                                     first[0] == 0 && first[1] != 0);
      icu_name = big_endian ? "UTF-16BE" : "UTF-16LE";
      if (starts("\xFF\xFE") || starts("\xFE\xFF")) skip_bom_ = 2;
      break;
    }
    case InputEncoding::kBig5:
      encoding_name_ = "Big5";
      icu_name = "windows-950-2000";
      break;
  }
  UErrorCode status = U_ZERO_ERROR;
  converter_ = ucnv_open(icu_name.c_str(), &status);
  if (U_FAILURE(status) || converter_ == nullptr) {
    throw EInputError(Msg("cannot read %s text: %s", {encoding_name_, u_errorName(status)}));
  }
  status = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter_, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
}

bool InputReader::Fill() {
  if (ended_) return false;
  char buffer[kReadBytes];
  std::string_view piece;
  if (from_memory_) {
    // The same pieces as a descriptor gives, so that the text is decoded as a file's would be.
    piece = memory_.substr(0, kReadBytes);
    memory_.remove_prefix(piece.size());
    if (piece.empty()) ended_ = true;
  } else {
    ssize_t n;
    do {
      n = ::read(fd_, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw EInputError(Msg("cannot read %s: %s", {name_, SystemErrorText(errno)}));
    // The first end of the input is its end: a terminal's Ctrl-D is not asked a second time.
    if (n == 0) ended_ = true;
    piece = std::string_view(buffer, static_cast<size_t>(n));
  }
  if (!started_) {
    head_.append(piece);
    if (head_.size() < 4 && !ended_) return true;
    StartEncoding(head_);
    std::string head = std::move(head_);
    head_.clear();
    consumed_ = skip_bom_;
    Decode(std::string_view(head).substr(std::min<size_t>(skip_bom_, head.size())), ended_);
    return true;
  }
  Decode(piece, ended_);
  return true;
}

void InputReader::Decode(std::string_view bytes, bool last) {
  if (encoding_ == InputEncoding::kUtf8) {
    DecodeUtf8(bytes, last);
  } else {
    DecodeIcu(bytes, last);
  }
}

void InputReader::DecodeUtf8(std::string_view bytes, bool last) {
  std::string joined;
  std::string_view data = bytes;
  const uint64_t base = consumed_ - carry_.size();
  if (!carry_.empty()) {
    joined = carry_ + std::string(bytes);
    data = joined;
  }
  consumed_ += bytes.size();
  const size_t valid = ValidUtf8Prefix(data);
  std::string_view rest = data.substr(valid);
  Append(data.substr(0, valid));
  if (!rest.empty() && !last && MayBeCutSequence(rest)) {
    carry_.assign(rest);
    return;
  }
  carry_.clear();
  if (!rest.empty()) {
    Invalid(base + valid, data.substr(valid >= 512 ? valid - 512 : 0, 1024));
  }
}

void InputReader::DecodeIcu(std::string_view bytes, bool last) {
  if (encoding_ == InputEncoding::kGb18030) {
    // The GB18030 decoder knows its sequences and so where exactly an invalid one starts.
    std::string utf8;
    const bool valid = gb18030_->Decode(bytes, last, utf8);
    Append(utf8);
    if (!valid) {
      const uint64_t at = gb18030_->InvalidOffset() + skip_bom_;
      const size_t in_piece = at > consumed_ ? static_cast<size_t>(at - consumed_) : 0;
      Invalid(at, bytes.substr(in_piece >= 512 ? in_piece - 512 : 0, 1024));
    }
    consumed_ += bytes.size();
    return;
  }
  constexpr int32_t kUnits = 16384;
  UChar wide[kUnits];
  const char* source = bytes.data();
  const char* const end = bytes.data() + bytes.size();
  for (;;) {
    UChar* target = wide;
    UErrorCode status = U_ZERO_ERROR;
    const char* before = source;
    ucnv_toUnicode(converter_, &target, wide + kUnits, &source, end, nullptr, last, &status);
    consumed_ += static_cast<uint64_t>(source - before);
    const bool overflow = status == U_BUFFER_OVERFLOW_ERROR;
    if (target > wide) {
      std::string utf8;
      int32_t length = 0;
      UErrorCode convert_status = U_ZERO_ERROR;
      u_strToUTF8(nullptr, 0, &length, wide, static_cast<int32_t>(target - wide), &convert_status);
      utf8.resize(static_cast<size_t>(length));
      convert_status = U_ZERO_ERROR;
      // A surrogate pair cut by the buffer's end becomes a replacement character here only if
      // ICU hands out half a pair, which it does not: it keeps the lead for the next round.
      u_strToUTF8WithSub(utf8.data(), length, &length, wide, static_cast<int32_t>(target - wide),
                         0xFFFD, nullptr, &convert_status);
      if (U_FAILURE(convert_status)) throw std::bad_alloc();
      Append(utf8);
    }
    if (U_FAILURE(status) && !overflow) {
      char bad[32];
      int8_t length = sizeof bad;
      UErrorCode ignored = U_ZERO_ERROR;
      ucnv_getInvalidChars(converter_, bad, &length, &ignored);
      if (U_FAILURE(ignored)) length = 0;
      const uint64_t at = consumed_ - std::min<uint64_t>(consumed_, static_cast<uint64_t>(length));
      const size_t in_piece = static_cast<size_t>(source - bytes.data());
      Invalid(at, bytes.substr(in_piece >= 512 ? in_piece - 512 : 0, 1024));
    }
    if (!overflow) return;
  }
}

void InputReader::Append(std::string_view utf8) {
  if (utf8.empty()) return;
  if (!any_text_ && encoding_ != InputEncoding::kUtf8 && utf8.starts_with("\xEF\xBB\xBF")) {
    utf8.remove_prefix(3);  // the byte-order mark is no part of the text
    if (utf8.empty()) return;
  }
  if (std::memchr(utf8.data(), 0, utf8.size()) != nullptr) NotText();
  any_text_ = true;
  breaks_seen_ += static_cast<uint64_t>(std::count(utf8.begin(), utf8.end(), '\n'));
  text_.append(utf8);
}

bool InputReader::NextLine(std::string& line) {
  for (;;) {
    const size_t found = text_.find_first_of("\r\n", std::max(scan_, start_));
    if (found != std::string::npos) {
      if (text_[found] == '\r' && found + 1 == text_.size() && !ended_) {
        scan_ = found;  // a CR LF may be cut between two pieces
        Fill();
        continue;
      }
      size_t next = found + 1;
      if (text_[found] == '\r' && next < text_.size() && text_[next] == '\n') ++next;
      line.assign(text_, start_, std::min(found - start_, keep_line_bytes_));
      start_ = scan_ = next;
      ++lines_;
      return true;
    }
    // What was handed out goes before more is read, so the text held stays one piece and a line.
    text_.erase(0, start_);
    start_ = 0;
    if (ended_) {
      if (text_.empty()) return false;
      line.assign(text_, 0, std::min(text_.size(), keep_line_bytes_));
      text_.clear();
      scan_ = 0;
      ++lines_;
      return true;
    }
    // No break yet: what is past the part kept of a long line is dropped as it comes.
    if (text_.size() > keep_line_bytes_) {
      text_.resize(keep_line_bytes_);
    } else if (text_.size() > kMostLineBytes) {
      throw EInputError(Msg("line %s of %s is longer than %s MiB; it cannot be laid out",
                            {std::to_string(lines_ + 1), name_,
                             std::to_string(kMostLineBytes >> 20)}));
    }
    scan_ = text_.size();
    Fill();
  }
}

}  // namespace t2j
