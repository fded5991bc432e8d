#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `join --out OUT IN...`: appends Ogg files into one chained Ogg file.
class JoinCommand : public Command {
public:
    std::string Name() const override { return "join"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
};

} // namespace oq::cli
