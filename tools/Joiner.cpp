#include "tools/Joiner.h"

#include "base/Error.h"
#include "base/JobControl.h"

#include <algorithm>

namespace oq {

namespace {

IoError Shrunk(const std::string& sourceName)
{
    return IoError(sourceName, "cannot join, the file is shorter than when it was listed:", 0);
}

} // namespace

bool Joiner::CopyBytes(const std::string& sourceName, const std::string& outputName, std::int64_t offset,
                       std::int64_t length, const JobControl& control)
{
    if (offset < 0 || length < 0)
        throw RangeError("cannot join \"" + sourceName + "\": negative byte range");
    if (!source_.IsOpen())
        source_ = File::OpenRead(sourceName);
    // Checked before the first byte is appended, so a shrunken input does
    // not leave half of itself in the output.
    if (source_.Size() < offset + length)
        throw Shrunk(sourceName);
    if (!output_.IsOpen())
        output_ = File::Create(outputName);
    output_.Seek(0, File::Origin::End);
    source_.Seek(offset);

    std::int64_t remaining = length;
    while (remaining > 0) {
        if (control.CheckPoint())
            return false;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kChunkBytes));
        const std::size_t got = source_.Read(buffer_.data(), want);
        // The file shrank while it was being copied.
        if (got == 0)
            throw Shrunk(sourceName);
        pages_.Copy(buffer_.data(), got, output_);
        remaining -= static_cast<std::int64_t>(got);
    }
    pages_.EndInput(output_);
    return true;
}

void Joiner::CloseSource()
{
    source_.Close();
}

void Joiner::CloseOutput()
{
    pages_.Clear();
    output_.Close();
}

void Joiner::Abandon() noexcept
{
    source_ = File();
    output_ = File();
    pages_.Clear();
}

} // namespace oq
