#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `split FILE METHOD`: writes every section (or the odd or even ones) of an
// Ogg Vorbis or Opus file as a file of its own, without re-encoding.
class SplitCommand : public Command {
public:
    std::string Name() const override { return "split"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
    bool AnalysesProfiles() const override { return true; }
};

} // namespace oq::cli
