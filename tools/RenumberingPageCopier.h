#pragma once

#include "ogg/LinkSerials.h"
#include "ogg/OggSyncState.h"

#include <cstddef>

namespace oq {

class File;

// Carries the bytes of a join's inputs into its output page by page, giving
// each page the serial number of its link as LinkSerials decides. Pages
// whose link keeps its number, and every byte that is not part of a whole
// page with a right checksum (junk, a torn last page), go out unchanged; a
// renumbered page changes in its serial number and checksum only.
class RenumberingPageCopier {
public:
    // Passes `size` bytes of the current input on to `output`; the bytes of
    // a page that is not complete yet are held until the rest arrives.
    void Copy(const unsigned char* data, std::size_t size, File& output);
    // The current input has ended: what is held goes out as it is, so that
    // no page is ever made of two inputs' bytes.
    void EndInput(File& output);
    // Forgets the output's links and any held bytes: the next output begins.
    void Clear() noexcept;

private:
    OggSyncState sync_;
    LinkSerials serials_;
};

} // namespace oq
