#include "base/Error.h"

#include <cstring>

namespace oq {

namespace {

std::string SystemReason(const std::string& operation, int err)
{
    return err == 0 ? operation : operation + ": " + std::strerror(err);
}

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
    : FileError(path, SystemReason(operation, err), DescribeIo(path, operation, err)), code_(err)
{
}

FormatError::FormatError(const std::string& path, const std::string& problem)
    : FileError(path, problem, "\"" + path + "\": " + problem)
{
}

} // namespace oq
