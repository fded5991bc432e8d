#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstring>
#include <ogg/ogg.h>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace oq::fuzz {

namespace {

class Scratch {
public:
    Scratch()
    {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::string pattern = (base / "oqfuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder under " + base.string());
        path_ = pattern;
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const noexcept { return path_; }

private:
    std::string path_;
};

} // namespace

const std::string& ScratchFolder()
{
    static const Scratch scratch;
    return scratch.Path();
}

std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = ScratchFolder() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        throw std::runtime_error("cannot write " + path);
    return path;
}

void RepairPageChecksums(std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t kHeaderBytes = 27; // the fixed part of a page header
    constexpr std::size_t kSegmentCountAt = 26;
    for (std::size_t at = 0; at + kHeaderBytes <= bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "OggS", 4) != 0)
            continue;
        const std::size_t segments = bytes[at + kSegmentCountAt];
        if (at + kHeaderBytes + segments > bytes.size())
            break;
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += bytes[at + kHeaderBytes + i];
        ogg_page page{};
        page.header = &bytes[at];
        page.header_len = static_cast<long>(kHeaderBytes + segments);
        if (at + kHeaderBytes + segments + body > bytes.size())
            break;
        page.body = page.header + page.header_len;
        page.body_len = static_cast<long>(body);
        ogg_page_checksum_set(&page);
        at += kHeaderBytes + segments + body - 1;
    }
}

} // namespace oq::fuzz
