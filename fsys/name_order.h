// The order in which folder entries come back, the same on every platform:
// ASCII letters compared as upper case, then byte order, ties broken by the
// exact bytes (so IMG_0001 comes before img_0002 and IMG_0002).
#pragma once

#include <string_view>

namespace tolvane::fsys {

bool name_before(std::string_view a, std::string_view b);

}  // namespace tolvane::fsys
