// Failures of the program: exceptions that carry a message text in UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace t2j {

// Base of every failure that the program shows to the user. The message is shown as it stands,
// after the failure display's full-stop rule.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Abandons an operation without a message; the failure display never shows it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("") {}
};

// A raster or another system resource could not be had.
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// No drawing context could be had for measuring or drawing text.
class ECanvasError : public Exception {
 public:
  ECanvasError() : Exception("Canvas does not allow drawing") {}
  using Exception::Exception;
};

}  // namespace t2j
