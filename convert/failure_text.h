// The failures of one conversion and the text the failure display shows for a failure.
#pragma once

#include <string>
#include <string_view>

#include "platform/failure.h"

namespace t2j {

// The encoder refused the picture: "JPEG error #<libjpeg message code>".
class EJPEG : public Exception {
 public:
  explicit EJPEG(int message_code);
  int message_code() const { return message_code_; }

 private:
  int message_code_;
};

// The output file could not be created: "Cannot create file "<absolute path>". <system text>".
class EFCreateError : public Exception {
 public:
  EFCreateError(const std::string& path, int error_number);
};

// A created file could not be written or closed completely.
class EWriteError : public Exception {
 public:
  EWriteError(const std::string& path, int error_number);
};

// The message with a "." appended when it is not empty and its last character is neither "."
// nor a character below "." (0x2E). A character outside ASCII always counts as above, as the
// lead byte of its double-byte form does.
std::string FailureText(std::string_view message);

}  // namespace t2j
