// A system library opened when the program first needs it, not linked: a command that never
// fetches a log nor writes a workbook then neither loads libcurl and libgsf with their dozens of
// dependencies at each start (about 20 ms and 9 MB) nor needs them installed to run.
#pragma once

#include <string>

namespace vestrel {

class TSharedLibrary {
  public:
    // Raises EVestrelError naming the library when it cannot be loaded. The library stays
    // loaded for the life of the process (libraries such as GLib cannot be unloaded).
    explicit TSharedLibrary(std::string fileName);
    TSharedLibrary(const TSharedLibrary&) = delete;
    TSharedLibrary& operator=(const TSharedLibrary&) = delete;

    // The library's function of that name, typed as the declaration F of its header; raises
    // EVestrelError naming the library and the function when it has none.
    template <typename F>
    F* Function(const char* name) const {
        return reinterpret_cast<F*>(Symbol(name));
    }

  private:
    void* Symbol(const char* name) const;

    std::string fileName_;
    void* handle_;
};

}  // namespace vestrel

// A stand-in for a library function, defined with the library's own name and declaration and
// calling `real` (VESTREL_REAL_FUNCTION), the library's function. Stand-ins are never exported,
// so no library the program links (Qt links GLib) calls one in place of its own dependency.
#define VESTREL_STAND_IN [[gnu::visibility("hidden")]]
#define VESTREL_REAL_FUNCTION(library, name) \
    static auto* const real = (library).Function<decltype(::name)>(#name)
