#include "cli/Arguments.h"

#include "cli/Command.h"

namespace oq::cli {

Arguments::Arguments(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions, const std::set<std::string>& repeatableOptions)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            plain_.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (values_.count(name) && !repeatableOptions.count(name))
            throw UsageError(name + " is given twice");
        if (flagOptions.count(name)) {
            if (value)
                throw UsageError(name + " takes no value");
            values_[name].push_back("");
        } else if (valueOptions.count(name) || repeatableOptions.count(name)) {
            if (!value) {
                if (i + 1 >= arguments.size())
                    throw UsageError(name + " needs a value");
                value = arguments[++i];
            }
            values_[name].push_back(*value);
        } else {
            throw UsageError("unknown option " + name);
        }
    }
}

std::optional<std::string> Arguments::Value(const std::string& option) const
{
    const auto found = values_.find(option);
    if (found == values_.end())
        return std::nullopt;
    return found->second.back();
}

std::vector<std::string> Arguments::Values(const std::string& option) const
{
    const auto found = values_.find(option);
    return found == values_.end() ? std::vector<std::string>{} : found->second;
}

std::string Arguments::Require(const std::string& option) const
{
    const auto value = Value(option);
    if (!value)
        throw UsageError(option + " is required");
    return *value;
}

} // namespace oq::cli
