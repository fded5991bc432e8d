#pragma once

#include "base/TempFileRegistry.h"

#include <string>
#include <utility>

namespace oq {

// Creates a new, empty file with a unique name in `directory` (the current
// folder when empty) and returns its path. The name starts with `prefix`
// ("Ogg", "wav", "cat") and is taken atomically, so two runs never share
// one. Raises IoError when the folder does not exist or is not writable.
std::string MakeTempName(const std::string& directory, const std::string& prefix);

// Owns a temporary file: the file is deleted when the guard goes, unless it
// was released after the file was given its final name. While owned, its
// name is registered for removal by a program that ends on a signal.
class TempFile {
public:
    TempFile() = default;
    explicit TempFile(std::string path) : path_(std::move(path)), registration_(path_) {}
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    // Makes a new temporary file in `directory` and guards it.
    static TempFile Create(const std::string& directory, const std::string& prefix);

    const std::string& Path() const noexcept { return path_; }
    bool Owned() const noexcept { return !path_.empty(); }
    // The file now lives on under another name, or belongs to someone else.
    void Release() noexcept;
    // Deletes the file now (a missing file is no failure) and lets it go.
    void Remove() noexcept;

private:
    std::string path_;
    TempFileRegistration registration_;
};

} // namespace oq
