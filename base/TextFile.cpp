#include "base/TextFile.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/FileSystem.h"
#include "base/OutputTarget.h"
#include "base/PathParts.h"
#include "base/TempFile.h"

namespace oq {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;
constexpr const char* kTempPrefix = "txt";

[[noreturn]] void RefuseTooLarge(const std::string& path)
{
    throw FormatError(path, "is larger than " + std::to_string(kMaxTextFileBytes >> 20) +
                                " MiB, the most a cue sheet, label file or catalog template may hold");
}

} // namespace

std::string ReadWholeFile(const std::string& path)
{
    // Looked at before it is opened: RegularFileSize refuses a pipe or a
    // device without touching it.
    if (RegularFileSize(path) > kMaxTextFileBytes)
        RefuseTooLarge(path);
    File file = File::OpenRead(path);
    std::string contents;
    char buffer[kReadChunkBytes];
    while (const std::size_t count = file.Read(buffer, sizeof buffer)) {
        // A file that grows while it is read is held to the same limit.
        if (contents.size() + count > static_cast<std::size_t>(kMaxTextFileBytes))
            RefuseTooLarge(path);
        contents.append(buffer, count);
    }
    file.Close();
    return contents;
}

void WriteFileReplacing(const std::string& path, std::string_view contents, const std::vector<std::string>& inputs)
{
    const OutputTarget target = RequireWritableOutput(path, inputs);
    TempFile temporary = TempFile::Create(FolderOf(path), kTempPrefix);
    File file = File::Create(temporary.Path());
    file.Write(contents.data(), contents.size());
    file.Close();
    MoveIntoPlace(temporary.Path(), target);
    temporary.Release();
}

} // namespace oq
