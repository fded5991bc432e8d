#pragma once

#include "cli/Command.h"

namespace oq::cli {

// `catalog DIR --out FILE`: lists the Ogg files of a folder tree in a text
// file made from a template (CSV, HTML or the user's own).
class CatalogCommand : public Command {
public:
    std::string Name() const override { return "catalog"; }
    std::string Summary() const override;
    std::string Usage() const override;
    int Run(const std::vector<std::string>& arguments) override;
};

} // namespace oq::cli
