#pragma once

#include <string>

namespace oq {

namespace detail {
struct RegistryEntry;
}

// The name of one temporary file, kept where a signal handler can reach it
// while the guard lives: a program that ends on a signal calls
// RemoveRegisteredTempFiles() first, so no temporary file outlives it.
//
// Names live in a list of entries that only grows and whose entries are
// reused, never freed, so the handler can walk it at any moment; each
// entry's state is a lock-free atomic that says who may touch its name.
class TempFileRegistration {
public:
    TempFileRegistration() = default;
    // Registers `path` (made absolute now, so the handler needs no working
    // folder). Raises std::bad_alloc only.
    explicit TempFileRegistration(const std::string& path);
    TempFileRegistration(TempFileRegistration&& other) noexcept;
    TempFileRegistration& operator=(TempFileRegistration&& other) noexcept;
    TempFileRegistration(const TempFileRegistration&) = delete;
    TempFileRegistration& operator=(const TempFileRegistration&) = delete;
    ~TempFileRegistration();

    // Forgets the name: the file is gone or has its final name.
    void Drop() noexcept;

private:
    detail::RegistryEntry* entry_ = nullptr;
};

// Deletes every registered file. Async-signal-safe: only atomic operations
// and unlink(). A name it deleted stays taken for good, since the program
// is about to end; its registration's Drop() then does nothing.
void RemoveRegisteredTempFiles() noexcept;

} // namespace oq
