#include "base/File.h"

#include "base/Error.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace oq {

namespace {

// Large enough that writing page by page costs few system calls.
constexpr std::size_t kStreamBufferBytes = 64 * 1024;

std::FILE* OpenStream(const std::string& path, const char* mode, const char* operation)
{
    std::FILE* stream = std::fopen(path.c_str(), mode);
    if (!stream)
        throw IoError(path, operation, errno);
    std::setvbuf(stream, nullptr, _IOFBF, kStreamBufferBytes);
    return stream;
}

} // namespace

File::File(std::FILE* stream, std::string path) : stream_(stream), path_(std::move(path)) {}

File File::OpenRead(const std::string& path)
{
    File file(OpenStream(path, "rb", "cannot open"), path);
    struct stat info {};
    if (fstat(fileno(file.stream_), &info) == 0 && S_ISDIR(info.st_mode))
        throw IoError(path, "cannot read a folder as a file:", 0);
    return file;
}

File File::Create(const std::string& path)
{
    return File(OpenStream(path, "wb", "cannot create"), path);
}

File File::OpenAppend(const std::string& path)
{
    return File(OpenStream(path, "ab", "cannot open for writing"), path);
}

File File::OpenUpdate(const std::string& path)
{
    return File(OpenStream(path, "r+b", "cannot open for writing"), path);
}

File::File(File&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)), path_(std::move(other.path_))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Release();
        stream_ = std::exchange(other.stream_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

File::~File() { Release(); }

void File::Release() noexcept
{
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
}

std::size_t File::Read(void* buffer, std::size_t count)
{
    const std::size_t got = std::fread(buffer, 1, count, stream_);
    if (got < count && std::ferror(stream_))
        throw IoError(path_, "cannot read", errno);
    return got;
}

std::size_t File::ReadAt(std::int64_t offset, void* buffer, std::size_t count)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t step =
            pread(fileno(stream_), bytes + got, count - got, static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            throw IoError(path_, "cannot read", errno);
        if (step == 0)
            break;
        got += static_cast<std::size_t>(step);
    }
    return got;
}

void File::Write(const void* data, std::size_t count)
{
    if (count != 0 && std::fwrite(data, 1, count, stream_) != count)
        throw IoError(path_, "cannot write to", errno);
}

void File::Seek(std::int64_t offset, Origin origin)
{
    const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    if (fseeko(stream_, static_cast<off_t>(offset), whence) != 0)
        throw IoError(path_, "cannot seek in", errno);
}

std::int64_t File::Tell() const
{
    const off_t position = ftello(stream_);
    if (position < 0)
        throw IoError(path_, "cannot tell the position in", errno);
    return position;
}

std::int64_t File::Size() const
{
    if (std::fflush(stream_) != 0)
        throw IoError(path_, "cannot write to", errno);
    struct stat info {};
    if (fstat(fileno(stream_), &info) != 0)
        throw IoError(path_, "cannot find the size of", errno);
    return info.st_size;
}

void File::Truncate(std::int64_t size)
{
    if (std::fflush(stream_) != 0)
        throw IoError(path_, "cannot write to", errno);
    if (ftruncate(fileno(stream_), static_cast<off_t>(size)) != 0)
        throw IoError(path_, "cannot shorten", errno);
}

void File::Close()
{
    if (!stream_)
        return;
    std::FILE* stream = std::exchange(stream_, nullptr);
    const bool flushed = std::fflush(stream) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(stream) == 0;
    if (!flushed)
        throw IoError(path_, "cannot write to", flushError);
    if (!closed)
        throw IoError(path_, "cannot close", errno);
}

} // namespace oq
