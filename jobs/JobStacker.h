#pragma once

#include "codec/CommentEdit.h"
#include "tools/OneStreamCut.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// One job of a run: the files it touches, its numbers, and the steps the
// runner performs for it. The flags only choose the steps: they run in the
// one order of RunSteps' table (finishing the output last), whatever the
// order of the flags below. A new record has empty names, zero numbers and
// no step.
struct JobStacker {
    std::string SourceName;   // file the job reads; also shown as the current file
    std::string OutputName;   // temporary file the job writes
    std::string TemplateName; // catalog template
    std::string FinalName;    // name the output receives when finished
    std::int64_t CopyOffset = 0; // first source byte of a byte copy
    std::int64_t CopyLength = 0; // bytes of a byte copy
    std::uint32_t StreamSerial = 0; // serial number of the new Ogg stream
    std::int64_t StartGranule = 0;  // section start, in samples of the source
    std::int64_t EndGranule = 0;    // section end, in samples of the source
    bool SkipOutput = false;        // cut the section but write nothing
    std::int32_t SectionNumber = 0; // of a cut section, as its file name counts it
    std::string SectionTitle;       // of a cut section, named in refusals instead of its number
    CommentEdit Comments{};         // of a cut section
    bool MakeCatalogEntry = false;
    bool FinishOutput = false;      // finish the output and give it its final name
    bool CopyBytes = false;
    bool CloseSource = false;
    bool CloseOutput = false;
    bool MakeWav = false;
    bool DecodesRange = false;      // MakeWav decodes only StartGranule up to EndGranule of the source
    bool OpenSource = false;        // open the source and capture its headers
    bool BeginStream = false;       // start a new output stream with the headers
    bool CutFirst = false;
    bool CutMiddle = false;
    bool CutLast = false;
    bool ClearStream = false;
    bool ReleasePackets = false;
    bool WriteOneStream = false;           // write Stretches as one stream (OneStreamCut)
    std::vector<StreamStretch> Stretches{}; // as OneStreamCut::Plan placed them
};

} // namespace oq
