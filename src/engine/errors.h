// The error an operation raises when it cannot go on; its text is shown to the user as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace vestrel {

class EVestrelError : public std::runtime_error {
  public:
    explicit EVestrelError(const std::string& message) : std::runtime_error(message) {}
};

// The system's text for a file that cannot be opened, naming the file.
std::string FileOpenErrorText(const std::string& fileName, int errorNumber);

}  // namespace vestrel
