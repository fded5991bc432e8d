#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `chapters FILE...`: lists the chapters each FILE's comments hold.
// `chapters FILE METHOD --to OUT`: writes OUT, a copy of FILE whose comments
// carry the sections METHOD gives as chapters (see WriteChapterCopy).
class ChaptersCommand : public Command {
public:
    std::string Name() const override { return "chapters"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
};

} // namespace oq::cli
