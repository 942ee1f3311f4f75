#pragma once

#include <string>

namespace t2j {

// The system's description of an errno value in the user's language (LC_MESSAGES), as UTF-8,
// with every trailing character of code 32 or below and every trailing full stop removed.
std::string SystemErrorText(int error_number);

// The absolute form of a path, resolved lexically against the current directory (no link is
// followed and the file need not exist). A path that cannot be resolved is given back as it is.
std::string FullPathName(const std::string& path);

}  // namespace t2j
