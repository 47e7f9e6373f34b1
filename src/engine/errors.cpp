#include "engine/errors.h"

#include <cstring>

namespace vestrel {

std::string FileOpenErrorText(const std::string& fileName, int errorNumber) {
    return "Cannot open file \"" + fileName + "\". " + std::strerror(errorNumber);
}

}  // namespace vestrel
