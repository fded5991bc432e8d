#include "base/TempFileRegistry.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <utility>

namespace oq {

namespace detail {

// Who may touch an entry's name: nobody (free), the thread that claimed it
// (writing), anybody who claims it for removal (ready), the signal handler
// that claimed it (removed, for good).
enum class EntryState { Free, Writing, Ready, Removed };

struct RegistryEntry {
    std::atomic<EntryState> State{EntryState::Writing};
    // Set before the entry is published and never changed after.
    RegistryEntry* Next = nullptr;
    std::size_t Capacity = 0; // bytes of Name, with the closing zero
    std::unique_ptr<char[]> Name;
};

} // namespace detail

namespace {

using detail::EntryState;
using detail::RegistryEntry;

static_assert(std::atomic<EntryState>::is_always_lock_free && std::atomic<RegistryEntry*>::is_always_lock_free);

std::atomic<RegistryEntry*> head{nullptr};

// A free entry with room for `bytes`, now Writing, or nullptr.
RegistryEntry* ClaimFreeEntry(std::size_t bytes) noexcept
{
    for (RegistryEntry* entry = head.load(std::memory_order_acquire); entry; entry = entry->Next) {
        EntryState expected = EntryState::Free;
        if (entry->Capacity >= bytes &&
            entry->State.compare_exchange_strong(expected, EntryState::Writing, std::memory_order_acquire))
            return entry;
    }
    return nullptr;
}

RegistryEntry* NewEntry(std::size_t bytes)
{
    auto* entry = new RegistryEntry;
    entry->Capacity = bytes;
    entry->Name = std::make_unique<char[]>(bytes);
    entry->Next = head.load(std::memory_order_relaxed);
    while (!head.compare_exchange_weak(entry->Next, entry, std::memory_order_release, std::memory_order_relaxed)) {
    }
    return entry;
}

std::string AbsoluteName(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

} // namespace

TempFileRegistration::TempFileRegistration(const std::string& path)
{
    if (path.empty())
        return;
    const std::string name = AbsoluteName(path);
    const std::size_t bytes = name.size() + 1;
    RegistryEntry* entry = ClaimFreeEntry(bytes);
    if (!entry)
        entry = NewEntry(bytes);
    std::memcpy(entry->Name.get(), name.c_str(), bytes);
    entry->State.store(EntryState::Ready, std::memory_order_release);
    entry_ = entry;
}

TempFileRegistration::TempFileRegistration(TempFileRegistration&& other) noexcept
    : entry_(std::exchange(other.entry_, nullptr))
{
}

TempFileRegistration& TempFileRegistration::operator=(TempFileRegistration&& other) noexcept
{
    if (this != &other) {
        Drop();
        entry_ = std::exchange(other.entry_, nullptr);
    }
    return *this;
}

TempFileRegistration::~TempFileRegistration() { Drop(); }

void TempFileRegistration::Drop() noexcept
{
    if (!entry_)
        return;
    // Fails only when the handler has taken the entry for removal.
    EntryState expected = EntryState::Ready;
    entry_->State.compare_exchange_strong(expected, EntryState::Free, std::memory_order_release);
    entry_ = nullptr;
}

void RemoveRegisteredTempFiles() noexcept
{
    for (RegistryEntry* entry = head.load(std::memory_order_acquire); entry; entry = entry->Next) {
        EntryState expected = EntryState::Ready;
        if (entry->State.compare_exchange_strong(expected, EntryState::Removed, std::memory_order_acquire))
            unlink(entry->Name.get());
    }
}

} // namespace oq
