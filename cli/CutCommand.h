#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `cut FILE (--remove FROM,TO | --keep FROM,TO)... --to OUT`: writes what a
// file keeps once stretches are taken out (or only the stretches kept) as
// one file, each kept stretch a link of its chain, exact to the sample.
class CutCommand : public Command {
public:
    std::string Name() const override { return "cut"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
};

} // namespace oq::cli
