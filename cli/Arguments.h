#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace oq::cli {

// A subcommand's command line: options that take a value ("--out DIR" or
// "--out=DIR"), options that stand alone ("--force"), and the plain
// arguments around them. "--" ends the options. Raises UsageError for an
// option the command does not know, a value missing, or an option given
// twice, unless it is one of the repeatable options that take a value.
class Arguments {
public:
    Arguments(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flagOptions, const std::set<std::string>& repeatableOptions = {});

    bool Has(const std::string& option) const { return values_.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
    // Every value a repeatable option was given, in command-line order.
    std::vector<std::string> Values(const std::string& option) const;
    std::string Require(const std::string& option) const;
    const std::vector<std::string>& Plain() const noexcept { return plain_; }

private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> plain_;
};

} // namespace oq::cli
