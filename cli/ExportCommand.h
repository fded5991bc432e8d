#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `export FILE METHOD --section K --to OUT`: writes one section of an Ogg
// Vorbis or Opus file to a file of the user's choice; every section is cut so that
// the one written is exact.
class ExportCommand : public Command {
public:
    std::string Name() const override { return "export"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
    bool AnalysesProfiles() const override { return true; }
};

} // namespace oq::cli
