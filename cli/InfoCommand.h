#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `info FILE...`: prints the file record and the information text of each
// Ogg Vorbis or Opus file. A file that cannot be described is reported and skipped;
// the exit status is 1 when any was.
class InfoCommand : public Command {
public:
    std::string Name() const override { return "info"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
};

} // namespace oq::cli
