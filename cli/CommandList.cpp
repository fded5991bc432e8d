#include "cli/CommandList.h"

#include "cli/InfoCommand.h"

namespace oq::cli {

std::vector<std::unique_ptr<Command>> AllCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<InfoCommand>());
    return commands;
}

} // namespace oq::cli
