// Libraries opened on first use: what the user is told when one is missing or incomplete.
#include "engine/shared_library.h"

#include <gtest/gtest.h>

#include "engine/errors.h"

namespace vestrel {
namespace {

std::string ErrorOf(const auto& action) {
    try {
        action();
    } catch (const EVestrelError& error) {
        return error.what();
    }
    return "";
}

TEST(SharedLibraryTest, NamesTheLibraryOrFunctionThatCannotBeFound) {
    const std::string missing = ErrorOf([] { TSharedLibrary("libvestrel-missing.so.9"); });
    EXPECT_EQ(missing.rfind("The library libvestrel-missing.so.9 cannot be loaded: ", 0), 0u)
        << missing;

    const TSharedLibrary zlib("libz.so.1");
    using TVersion = const char*();
    EXPECT_NE(zlib.Function<TVersion>("zlibVersion")(), nullptr);
    const std::string noFunction = ErrorOf([&] { zlib.Function<TVersion>("noSuchFunction"); });
    EXPECT_EQ(noFunction.rfind("The library libz.so.1 has no function noSuchFunction: ", 0), 0u)
        << noFunction;
}

}  // namespace
}  // namespace vestrel
