#include "base/TextFile.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/OutputTarget.h"
#include "base/TempFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace oq {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;
constexpr const char* kTempPrefix = "txt";

} // namespace

std::string ReadWholeFile(const std::string& path)
{
    File file = File::OpenRead(path);
    std::string contents;
    char buffer[kReadChunkBytes];
    while (const std::size_t count = file.Read(buffer, sizeof buffer))
        contents.append(buffer, count);
    file.Close();
    return contents;
}

void WriteFileReplacing(const std::string& path, std::string_view contents, const std::vector<std::string>& inputs)
{
    RequireWritableOutput(path, inputs);
    TempFile temporary = TempFile::Create(std::filesystem::path(path).parent_path().string(), kTempPrefix);
    File file = File::Create(temporary.Path());
    file.Write(contents.data(), contents.size());
    file.Close();
    if (std::rename(temporary.Path().c_str(), path.c_str()) != 0)
        throw IoError(path, "cannot write", errno);
    temporary.Release();
}

} // namespace oq
