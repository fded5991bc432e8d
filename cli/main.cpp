#include "cli/Command.h"
#include "cli/CommandList.h"
#include "cli/InterruptGuard.h"
#include "cli/ProfileAnalysis.h"
#include "base/Error.h"

#include <clocale>
#include <iostream>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void PrintOverview(const std::vector<std::unique_ptr<oq::cli::Command>>& commands)
{
    std::cout << "Usage: oggquorvel-cli COMMAND [OPTIONS] ...\n\n"
                 "Cuts Ogg Vorbis and Opus files into sections without re-encoding, and more.\n\n"
                 "Commands:\n";
    for (const auto& command : commands)
        std::cout << "  " << command->Name() << std::string(10 - std::min<std::size_t>(9, command->Name().size()), ' ')
                  << command->Summary() << "\n";
    std::cout << "\nRun 'oggquorvel-cli COMMAND --help' for the options of a command,\n"
                 "'oggquorvel-cli --version' for the version and the licence.\n";
}

void PrintVersion()
{
    std::cout << "oggquorvel-cli " OQ_VERSION "\n"
                 "Copyright (C) 2026 The Ogg Quorvel developers.\n"
                 "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                 "This is free software: you are free to change and redistribute it.\n"
                 "There is NO WARRANTY, to the extent permitted by law.\n";
}

// A command's help, with the remembered profiles' option where it analyses.
std::string FullUsage(const oq::cli::Command& command)
{
    return command.Usage() + (command.AnalysesProfiles() ? oq::cli::ProfileCacheUsage() : "");
}

} // namespace

int main(int argc, char** argv)
{
    // Numbers are grouped the way the user's locale groups them.
    std::setlocale(LC_ALL, "");
    const auto commands = oq::cli::AllCommands();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        PrintOverview(commands);
        return arguments.empty() ? kExitUsage : 0;
    }
    if (arguments[0] == "--version") {
        PrintVersion();
        return 0;
    }
    for (const auto& command : commands) {
        if (command->Name() != arguments[0])
            continue;
        arguments.erase(arguments.begin());
        for (const auto& argument : arguments) {
            if (argument == "--help" || argument == "-h") {
                std::cout << FullUsage(*command);
                return 0;
            }
        }
        try {
            oq::cli::RemoveTempFilesOnInterrupt();
            if (command->AnalysesProfiles())
                arguments = oq::cli::TakeNoCacheOption(std::move(arguments));
            return command->Run(arguments);
        } catch (const oq::cli::UsageError& error) {
            std::cerr << "oggquorvel-cli " << command->Name() << ": " << error.what() << "\n\n" << FullUsage(*command);
            return kExitUsage;
        } catch (const oq::CancelledError&) {
            std::cerr << "oggquorvel-cli " << command->Name() << ": cancelled\n";
            return kExitFailure;
        } catch (const std::exception& error) {
            std::cerr << "oggquorvel-cli " << command->Name() << ": " << error.what() << "\n";
            return kExitFailure;
        }
    }
    std::cerr << "oggquorvel-cli: unknown command '" << arguments[0] << "'\n\n";
    PrintOverview(commands);
    return kExitUsage;
}
