#include "cli/CommandList.h"

#include "cli/CatalogCommand.h"
#include "cli/ChaptersCommand.h"
#include "cli/CutCommand.h"
#include "cli/ExportCommand.h"
#include "cli/InfoCommand.h"
#include "cli/JoinCommand.h"
#include "cli/MarkersCommand.h"
#include "cli/ProfileCommand.h"
#include "cli/SplitCommand.h"
#include "cli/WavCommand.h"

namespace oq::cli {

std::vector<std::unique_ptr<Command>> AllCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(std::make_unique<SplitCommand>());
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<CutCommand>());
    commands.push_back(std::make_unique<MarkersCommand>());
    commands.push_back(std::make_unique<ChaptersCommand>());
    commands.push_back(std::make_unique<JoinCommand>());
    commands.push_back(std::make_unique<WavCommand>());
    commands.push_back(std::make_unique<CatalogCommand>());
    commands.push_back(std::make_unique<ProfileCommand>());
    return commands;
}

} // namespace oq::cli
