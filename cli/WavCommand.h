#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `wav [--dir DIR] FILE...`: converts Ogg Vorbis and Opus files to 16-bit
// WAV files, beside each source or all into one folder.
class WavCommand : public Command {
public:
    std::string Name() const override { return "wav"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
};

} // namespace oq::cli
