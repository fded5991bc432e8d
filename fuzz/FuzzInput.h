#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oq::fuzz {

// A folder of this fuzzing process under the system's temporary folder
// ($TMPDIR), removed when the process ends normally; a crash leaves it for
// whoever looks into the crash.
const std::string& ScratchFolder();

// Writes the bytes to a file of the scratch folder, replacing what it held,
// and returns its path: the code under test reads files by name.
std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// Gives every whole Ogg page found in the bytes its right checksum. Without
// this nearly every mutation of a page's header or body would only make the
// sync layer skip the page, and the fuzzer would never reach what reads the
// page's fields and packets.
void RepairPageChecksums(std::vector<std::uint8_t>& bytes);

} // namespace oq::fuzz
