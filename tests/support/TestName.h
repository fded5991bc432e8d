#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace oq::test {

// A parameterised case's description as a test name: its words run
// together, each capitalised, everything but letters and digits dropped
// (gtest takes only those and '_').
inline std::string TestName(std::string_view description)
{
    std::string name;
    bool wordStart = true;
    for (const char c : description) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0) {
            name += wordStart ? static_cast<char>(std::toupper(u)) : c;
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return name.empty() ? std::string("Unnamed") : name;
}

} // namespace oq::test
