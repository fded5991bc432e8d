#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace oq {

// A binary file with 64-bit offsets whose every failure raises an IoError
// naming the file. Closing is explicit so that a failed final flush (a full
// disk reports late) is seen; the destructor closes quietly as a last resort.
class File {
public:
    enum class Origin { Begin, Current, End };

    static File OpenRead(const std::string& path);
    // Creates the file, or truncates an existing one, for writing.
    static File Create(const std::string& path);
    // Opens an existing file for writing at its end.
    static File OpenAppend(const std::string& path);
    // Opens an existing file for writing anywhere in it, keeping its bytes.
    static File OpenUpdate(const std::string& path);

    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool IsOpen() const noexcept { return stream_ != nullptr; }
    const std::string& Path() const noexcept { return path_; }

    // Reads up to `count` bytes; returns how many were read, 0 at the end.
    std::size_t Read(void* buffer, std::size_t count);
    // Reads up to `count` bytes from `offset` on, leaving the position where
    // it was; returns how many were read, fewer only at the end. Bypasses
    // the stream's buffer: one system call for each read.
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count);
    void Write(const void* data, std::size_t count);
    void Seek(std::int64_t offset, Origin origin = Origin::Begin);
    std::int64_t Tell() const;
    std::int64_t Size() const;
    // Cuts the file to `size` bytes (or lengthens it with zeros).
    void Truncate(std::int64_t size);
    void Close();

private:
    File(std::FILE* stream, std::string path);
    void Release() noexcept;

    std::FILE* stream_ = nullptr;
    std::string path_;
};

} // namespace oq
