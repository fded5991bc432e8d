#pragma once

#include <stdexcept>
#include <string>

namespace oq {

// The engine's failures.
//
// How failures are reported, everywhere below the programs: a function that
// cannot do what it was asked raises one of the types below, and only that.
// No function answers a failure with an error code, a null result or a
// "refused" value beside its real result, so a caller never has to combine
// a try with a check of what came back. In particular a file that is not
// Ogg audio the program can use (a Vorbis or Opus stream it can decode)
// raises NotOggAudioError from every function that opens one (file information, the file decoders, the WAV
// conversion, the play range, the section cutter's reader), and a file that
// cannot be opened or read at all raises IoError carrying the system's
// reason. A caller that goes on past a failure catches the type it expects
// and lets the others pass.
//
// Every message names what it concerns (usually a file) and what went wrong,
// so the command-line tool prints it as it is. The desktop program shows it,
// or shows a fixed message of its own, or goes on quietly where the user
// needs no answer; what it does not show it writes to the diagnostic output.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure that concerns one file: the file's name and the reason apart,
// and the two together as the message.
class FileError : public Error {
public:
    FileError(const std::string& path, const std::string& reason, const std::string& message)
        : Error(message), path_(path), reason_(reason)
    {
    }

    const std::string& Path() const noexcept { return path_; }
    // What went wrong, without the file's name: "is not an Ogg Vorbis or Opus file",
    // "cannot open: No such file or directory".
    const std::string& Reason() const noexcept { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// A file operation failed: opening, reading, writing, renaming, deleting.
class IoError : public FileError {
public:
    // `operation` reads like "cannot open", "cannot write to"; `err` is the
    // errno value of the failure (0 when there is none to report).
    IoError(const std::string& path, const std::string& operation, int err);

    int Code() const noexcept { return code_; }

private:
    int code_;
};

// The input is not in the form the engine needs, or is damaged beyond what
// it can pass over: an audio file, a cue sheet, a catalog template.
class FormatError : public FileError {
public:
    FormatError(const std::string& path, const std::string& problem);
    // A message of another shape than "\"path\": problem".
    FormatError(const std::string& path, const std::string& problem, const std::string& message)
        : FileError(path, problem, message)
    {
    }
};

// The file is not an Ogg stream of a codec the program reads (Vorbis, Opus)
// that it can use: no Ogg data, no such stream, headers the decoder
// cannot use, nothing in it, or a length past what the editor can count.
class NotOggAudioError : public FormatError {
public:
    using FormatError::FormatError;
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
