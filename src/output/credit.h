// The credit line every exported document ends with.
#pragma once

namespace vestrel {

// The program's home page, linked from the credit line.
extern const char* const kVestrelHomePage;

}  // namespace vestrel
