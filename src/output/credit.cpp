#include "output/credit.h"

namespace vestrel {

const char* const kVestrelHomePage = "https://vestrel.example.org/";

}  // namespace vestrel
