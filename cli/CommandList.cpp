#include "cli/CommandList.h"

namespace oq::cli {

std::vector<std::unique_ptr<Command>> AllCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    return commands;
}

} // namespace oq::cli
