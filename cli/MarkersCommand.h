#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `markers FILE METHOD`: prints the marker positions and the section list that
// a split method lays on a file, without writing audio.
class MarkersCommand : public Command {
public:
    std::string Name() const override { return "markers"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
    bool AnalysesProfiles() const override { return true; }
};

} // namespace oq::cli
