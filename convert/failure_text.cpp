#include "convert/failure_text.h"

#include "platform/messages.h"
#include "platform/system_error.h"

namespace t2j {

EJPEG::EJPEG(int message_code)
    : Exception("JPEG error #" + std::to_string(message_code)), message_code_(message_code) {}

EFCreateError::EFCreateError(const std::string& path, int error_number)
    : Exception("Cannot create file \"" + FullPathName(path) + "\". " +
                SystemErrorText(error_number)) {}

EWriteError::EWriteError(const std::string& path, int error_number)
    : Exception(Msg("cannot write the file \"%s\": %s",
                    {FullPathName(path), SystemErrorText(error_number)})) {}

std::string FailureText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace t2j
