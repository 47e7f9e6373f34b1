#include "engine/shared_library.h"

#include <dlfcn.h>

#include "engine/errors.h"

namespace vestrel {

namespace {

std::string LastLoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown reason";
}

}  // namespace

TSharedLibrary::TSharedLibrary(std::string fileName)
    : fileName_(std::move(fileName)), handle_(dlopen(fileName_.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr)
        throw EVestrelError("The library " + fileName_ + " cannot be loaded: " + LastLoaderError());
}

// Looked up in the library and its own dependencies only, never in the program, whose
// stand-ins carry the same names.
void* TSharedLibrary::Symbol(const char* name) const {
    dlerror();
    void* symbol = dlsym(handle_, name);
    if (symbol == nullptr)
        throw EVestrelError("The library " + fileName_ + " has no function " + name + ": " +
                            LastLoaderError());
    return symbol;
}

}  // namespace vestrel
