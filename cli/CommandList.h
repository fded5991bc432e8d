#pragma once

#include "cli/Command.h"

#include <memory>
#include <vector>

namespace oq::cli {

// Every subcommand, in the order --help lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

} // namespace oq::cli
