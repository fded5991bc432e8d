#pragma once

#include "tools/CatalogEscaping.h"

#include <string>
#include <vector>

namespace oq {

struct MPEGData;

// A catalog template, read into its three parts:
//
// - head: the lines before the first line that contains "<QRVLOOP>" (the
//   whole template when there is none), written once before any file;
// - body: the lines after that loop marker up to the first later line that
//   contains "<QRVEND>" (to the end when there is none), written once per
//   file with its tags replaced; a line that expands to nothing is dropped;
// - tail: the lines after the first line of the template that contains
//   "<QRVEND>" (normally the end marker), written once after the last file,
//   unchanged. The marker lines themselves are never written.
//
// A tag is eight characters: "<QRV", a three-digit code, and one closing
// character (normally ">"). Codes: 1 file name, 2 folder with a trailing
// '/', 3 file size, 4 chained streams, 5 serial number, 6 bit rate (kbps),
// 7 the codec's version (Vorbis's or OpusHead's), 8 play length "HH:MM:SS",
// 9 sampling rate, 10 the channel mode as the information window names it
// ("Mono", "Stereo", "5.1", ...), 11 the codec ("Vorbis" or "Opus"); every
// other code, nothing.
//
// A line that begins with "<QRV:" is a note about the template: it is never
// written and takes no part in the layout above. The note
// "<QRV:ESCAPE HTML>" or "<QRV:ESCAPE CSV>" makes every tag value an
// escaped HTML text or a CSV field; "<QRV:ESCAPE NONE>" (the default) writes
// the values as they are.
class CatalogTemplate {
public:
    // Reads a template file. Raises IoError when it cannot be read, and
    // FormatError, naming the file and line, for a body tag whose code is not
    // three decimal digits or an unknown escaping note.
    static CatalogTemplate Load(const std::string& path);
    // The same from text in memory; `name` stands for the file in errors.
    static CatalogTemplate Parse(const std::string& text, const std::string& name);

    const std::string& Name() const noexcept { return name_; }
    TagEscaping Escaping() const noexcept { return escaping_; }
    const std::vector<std::string>& Head() const noexcept { return head_; }
    const std::vector<std::string>& Tail() const noexcept { return tail_; }
    // The body lines for one file, tags replaced, empty lines left out.
    std::vector<std::string> ExpandBody(const MPEGData& file) const;

private:
    // A stretch of literal text followed by the value of one tag, or by
    // nothing when `code` is kNoTag.
    struct Piece {
        static constexpr int kNoTag = -1;
        std::string text;
        int code = kNoTag;
    };
    using BodyLine = std::vector<Piece>;

    static BodyLine ParseBodyLine(const std::string& line, const std::string& name, std::size_t lineNumber);
    void ReadNote(const std::string& line, std::size_t lineNumber);

    std::string name_;
    TagEscaping escaping_ = TagEscaping::None;
    std::vector<std::string> head_;
    std::vector<BodyLine> body_;
    std::vector<std::string> tail_;
};

// The template the catalog tool uses: "csv.qrv" or "html.qrv" beside the
// program, or the user's own file (falling back to "csv.qrv" when no file
// has been chosen).
enum class CatalogMode { Csv, Html, Custom };
std::string CatalogTemplatePath(CatalogMode mode, const std::string& customTemplate = {});

} // namespace oq
