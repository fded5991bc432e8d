#include "base/Error.h"

#include <cstring>

namespace oq {

namespace {

std::string DescribeIo(const std::string& path, const std::string& operation, int err)
{
    std::string text = operation + " \"" + path + "\"";
    if (err != 0) {
        text += ": ";
        text += std::strerror(err);
    }
    return text;
}

} // namespace

IoError::IoError(const std::string& path, const std::string& operation, int err)
    : Error(DescribeIo(path, operation, err)), path_(path), code_(err)
{
}

FormatError::FormatError(const std::string& path, const std::string& problem)
    : Error("\"" + path + "\": " + problem)
{
}

} // namespace oq
