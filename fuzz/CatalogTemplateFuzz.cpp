// Reads whatever text arrives as a catalog template and expands it for a
// file record whose name is taken from the input too; checks on the way
// that every escaped value stays one value of its format: HTML text without
// markup, a CSV field that reads back as the value.

#include "media/MPEGData.h"
#include "tools/CatalogEscaping.h"
#include "tools/CatalogTemplate.h"
#include "base/Error.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

namespace {

// Reads one CSV field back (RFC 4180): quoted, with doubled quotes, or bare.
std::string ReadCsvField(const std::string& field)
{
    if (field.empty() || field.front() != '"')
        return field;
    if (field.size() < 2 || field.back() != '"')
        std::abort();
    std::string value;
    for (std::size_t i = 1; i + 1 < field.size(); ++i) {
        if (field[i] == '"') {
            if (field[i + 1] != '"' || i + 2 == field.size())
                std::abort(); // a lone quote would end the field early
            ++i;
        }
        value += field[i];
    }
    return value;
}

void CheckEscaping(const std::string& value)
{
    const std::string valid = oq::ValidUtf8(value);
    if (oq::ValidUtf8(valid) != valid)
        std::abort();
    const std::string csv = oq::CsvField(value);
    if (ReadCsvField(csv) != valid)
        std::abort();
    const bool bare = csv.empty() || csv.front() != '"';
    if (bare && csv.find_first_of(",\"\r\n") != std::string::npos)
        std::abort();
    const std::string html = oq::EscapeHtml(value);
    if (html.find_first_of("<>\"'") != std::string::npos || oq::ValidUtf8(html) != html)
        std::abort();
    for (std::size_t amp = html.find('&'); amp != std::string::npos; amp = html.find('&', amp + 1)) {
        const std::string_view rest = std::string_view(html).substr(amp);
        if (!rest.starts_with("&amp;") && !rest.starts_with("&lt;") && !rest.starts_with("&gt;") &&
            !rest.starts_with("&quot;") && !rest.starts_with("&#39;"))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    oq::MPEGData record;
    record.FileName = input.ConsumeRandomLengthString(256);
    record.BitRate = input.ConsumeRandomLengthString(16);
    record.PlayLength = input.ConsumeRandomLengthString(16);
    record.FileSize = input.ConsumeIntegral<std::int64_t>();
    record.SerialNumber = input.ConsumeIntegral<std::int32_t>();
    record.Channels = input.ConsumeIntegral<std::int32_t>();
    record.Rate = input.ConsumeIntegral<std::int32_t>();
    CheckEscaping(record.FileName);

    const std::string text = input.ConsumeRemainingBytesAsString();
    try {
        const oq::CatalogTemplate catalogTemplate = oq::CatalogTemplate::Parse(text, "fuzz.qrv");
        for (const std::string& line : catalogTemplate.ExpandBody(record))
            if (line.empty())
                std::abort();
    } catch (const oq::FormatError&) {
    }
    return 0;
}
