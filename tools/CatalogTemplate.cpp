#include "tools/CatalogTemplate.h"

#include "codec/ChannelLayout.h"
#include "media/MPEGData.h"
#include "base/Error.h"
#include "base/PathParts.h"
#include "base/ProgramDirectory.h"
#include "base/TextFile.h"

#include <algorithm>
#include <cctype>

namespace oq {

namespace {

const std::string kLoopMarker = "<QRVLOOP>";
const std::string kEndMarker = "<QRVEND>";
const std::string kTagStart = "<QRV";
const std::string kNoteStart = "<QRV:";
const std::string kEscapeNote = "<QRV:ESCAPE ";
constexpr std::size_t kTagLength = 8;  // "<QRV", three digits, closing character
constexpr std::size_t kCodeDigits = 3;

const std::string kCsvTemplate = "csv.qrv";
const std::string kHtmlTemplate = "html.qrv";

// A template's lines with their numbers in the file (counted from 1), notes
// left out.
struct NumberedLine {
    std::string text;
    std::size_t number;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        // Templates made on other systems end their lines with CR LF.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool Contains(const std::string& line, const std::string& marker) { return line.find(marker) != std::string::npos; }

std::string TagValue(int code, const MPEGData& file)
{
    switch (code) {
    case 1: return NameOf(file.FileName);
    case 2: return FolderWithSlash(file.FileName);
    case 3: return std::to_string(file.FileSize);
    case 4: return std::to_string(file.Streams);
    case 5: return std::to_string(file.SerialNumber);
    case 6: return file.BitRate;
    case 7: return std::to_string(file.Version);
    case 8: return file.PlayLength;
    case 9: return std::to_string(file.Rate);
    case 10: return ChannelLayout(file.Channels, file.PlacedChannels).Name();
    case 11: return file.Codec;
    default: return {};
    }
}

} // namespace

CatalogTemplate CatalogTemplate::Load(const std::string& path)
{
    return Parse(ReadWholeFile(path), path);
}

CatalogTemplate CatalogTemplate::Parse(const std::string& text, const std::string& name)
{
    CatalogTemplate result;
    result.name_ = name;
    std::vector<NumberedLine> lines;
    const std::vector<std::string> raw = SplitLines(text);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i].starts_with(kNoteStart))
            result.ReadNote(raw[i], i + 1);
        else
            lines.push_back({raw[i], i + 1});
    }

    const auto lineWith = [&](const std::string& marker, std::size_t from) {
        const auto found = std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(),
                                        [&](const NumberedLine& line) { return Contains(line.text, marker); });
        return static_cast<std::size_t>(found - lines.begin());
    };
    const std::size_t loop = lineWith(kLoopMarker, 0);
    const std::size_t bodyEnd = loop < lines.size() ? lineWith(kEndMarker, loop + 1) : lines.size();
    const std::size_t firstEnd = lineWith(kEndMarker, 0);

    for (std::size_t i = 0; i < loop; ++i)
        result.head_.push_back(lines[i].text);
    for (std::size_t i = loop + 1; i < bodyEnd; ++i)
        result.body_.push_back(ParseBodyLine(lines[i].text, name, lines[i].number));
    for (std::size_t i = firstEnd + 1; i < lines.size(); ++i)
        result.tail_.push_back(lines[i].text);
    return result;
}

void CatalogTemplate::ReadNote(const std::string& line, std::size_t lineNumber)
{
    if (!line.starts_with(kEscapeNote))
        return; // a comment
    const std::string rest = line.substr(kEscapeNote.size());
    const std::string mode = rest.substr(0, rest.find('>'));
    if (mode == "HTML")
        escaping_ = TagEscaping::Html;
    else if (mode == "CSV")
        escaping_ = TagEscaping::Csv;
    else if (mode == "NONE")
        escaping_ = TagEscaping::None;
    else
        throw FormatError(name_, "line " + std::to_string(lineNumber) + ": unknown escaping \"" + mode +
                                     "\" (HTML, CSV or NONE)");
}

CatalogTemplate::BodyLine CatalogTemplate::ParseBodyLine(const std::string& line, const std::string& name,
                                                         std::size_t lineNumber)
{
    BodyLine pieces;
    std::size_t position = 0;
    while (position < line.size()) {
        const std::size_t tag = line.find(kTagStart, position);
        if (tag == std::string::npos) {
            pieces.push_back({line.substr(position), Piece::kNoTag});
            break;
        }
        const std::string digits = line.substr(tag + kTagStart.size(), kCodeDigits);
        const bool numeric = digits.size() == kCodeDigits &&
                             std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); });
        if (!numeric)
            throw FormatError(name, "line " + std::to_string(lineNumber) + ": the tag \"" +
                                        line.substr(tag, kTagLength) + "\" has no three-digit code");
        pieces.push_back({line.substr(position, tag - position), std::stoi(digits)});
        position = tag + kTagLength;
    }
    return pieces;
}

std::vector<std::string> CatalogTemplate::ExpandBody(const MPEGData& file) const
{
    std::vector<std::string> expanded;
    for (const BodyLine& line : body_) {
        std::string text;
        for (const Piece& piece : line) {
            text += piece.text;
            if (piece.code != Piece::kNoTag)
                text += EscapeTagValue(TagValue(piece.code, file), escaping_);
        }
        if (!text.empty())
            expanded.push_back(std::move(text));
    }
    return expanded;
}

std::string CatalogTemplatePath(CatalogMode mode, const std::string& customTemplate)
{
    if (mode == CatalogMode::Custom && !customTemplate.empty())
        return customTemplate;
    return ProgramDirectory() + "/" + (mode == CatalogMode::Html ? kHtmlTemplate : kCsvTemplate);
}

} // namespace oq
