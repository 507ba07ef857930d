#pragma once

#include <optional>
#include <string>

namespace ExecutablePath {

// The path of the running executable as the system records it, for when
// argument 0 tells nothing (a bare name found on the search path). On macOS
// it is the path that was executed, links not yet followed; on Linux the
// kernel's record, links already followed. Nothing where the system keeps
// no such record.
std::optional<std::string> recorded();

}  // namespace ExecutablePath
