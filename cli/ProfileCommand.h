#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `profile FILE`: prints the amplitude profile of a file, one entry a line.
class ProfileCommand : public Command {
public:
    std::string Name() const override { return "profile"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
    bool AnalysesProfiles() const override { return true; }
};

} // namespace oq::cli
