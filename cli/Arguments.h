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
// twice.
class Arguments {
public:
    Arguments(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flagOptions);

    bool Has(const std::string& option) const { return values_.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
    std::string Require(const std::string& option) const;
    const std::vector<std::string>& Plain() const noexcept { return plain_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> plain_;
};

} // namespace oq::cli
