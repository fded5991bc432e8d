#pragma once

#include <string>

namespace oq {

// The folder of the running program (without a trailing '/'), where the
// files that ship beside it live. Raises IoError when the system does not
// tell.
std::string ProgramDirectory();

} // namespace oq
