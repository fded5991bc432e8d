#pragma once

#include <stdexcept>
#include <string>

namespace oq {

// The engine's failures. Every message names what it concerns (usually a
// file) and what went wrong, so the command-line tool can print it as it is
// and the desktop program can show or swallow it as the situation asks.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file operation failed: opening, reading, writing, renaming, deleting.
class IoError : public Error {
public:
    // `operation` reads like "cannot open", "cannot write to"; `err` is the
    // errno value of the failure (0 when there is none to report).
    IoError(const std::string& path, const std::string& operation, int err);

    const std::string& Path() const noexcept { return path_; }
    int Code() const noexcept { return code_; }

private:
    std::string path_;
    int code_;
};

// The input is not an Ogg Vorbis stream the engine can use, or is damaged
// beyond what it can pass over.
class FormatError : public Error {
public:
    FormatError(const std::string& path, const std::string& problem);
};

// A number given to the engine lies outside what the file or the operation
// allows: a cut point past the end, a division by a zero-length file, a time
// code whose fields are not digits.
class RangeError : public Error {
public:
    using Error::Error;
};

// The user stopped an operation that was under way.
class CancelledError : public Error {
public:
    CancelledError() : Error("Cancelled") {}
};

} // namespace oq
