// Every POSIX test program keeps its own trash: XDG_DATA_HOME points at a
// temporary folder from before main() until the program ends, so no test
// ever puts a file into the user's real trash.
#pragma once

#include <string>

namespace tolvane::testing {

// The home trash this program uses (ends in "/"): holds files/ and info/.
std::string home_trash();

}  // namespace tolvane::testing
