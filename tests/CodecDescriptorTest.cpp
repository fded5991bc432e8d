#include "base/Error.h"
#include "media/CodecChoice.h"
#include "media/OggFileInfo.h"
#include "opus/OpusDescriptor.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"
#include "tools/SourceReader.h"
#include "vorbis/VorbisDescriptor.h"

#include <gtest/gtest.h>

#include <optional>

namespace oq::test {
namespace {

// A short file of each codec the program reads; a codec that joins
// CodecChoice joins here with its test audio.
std::optional<Bytes> SampleOf(const CodecDescriptor& codec)
{
    if (&codec == &kVorbisDescriptor)
        return MakeOggVorbis({.seconds = 0.5});
    if (&codec == &kOpusDescriptor)
        return MakeOggOpus({.seconds = 0.5});
    return std::nullopt;
}

// The file record and the stream's codec both lead to the codec's one
// descriptor, and its comment framing reads the source's comment header
// and writes it back unchanged: byte for byte up to the padding that an
// encoder may leave after an unframed header (which a rewrite drops).
TEST(CodecDescriptor, FileAndStreamMapToTheDescriptorWhoseCommentFramingRoundTrips)
{
    for (const CodecDescriptor* codec : KnownCodecs()) {
        SCOPED_TRACE(std::string(codec->Name));
        EXPECT_EQ(FindCodec(codec->Name), codec);
        const std::optional<Bytes> sample = SampleOf(*codec);
        ASSERT_TRUE(sample) << "no test audio";
        TempDir dir;
        const std::string path = dir.Path("sample" + std::string(codec->Extension));
        WriteBytes(path, *sample);

        EXPECT_EQ(&CodecOf(ReadOggFileInfo(path)), codec);
        SourceReader reader(path);
        reader.CaptureHeaders();
        ASSERT_EQ(&reader.Codec().Descriptor(), codec);

        const ogg_packet packet = reader.Codec().Header(codec->CommentHeaderIndex).Packet();
        const std::string source(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes));
        const CommentHeader header = CommentHeader::Parse(source, codec->CommentForm);
        EXPECT_FALSE(header.Vendor.empty());
        const std::string rebuilt = header.Serialize(codec->CommentForm);
        ASSERT_TRUE(source.starts_with(rebuilt));
        if (rebuilt.size() < source.size()) {
            EXPECT_FALSE(codec->CommentForm.FramingBit);
            EXPECT_EQ(source[rebuilt.size()] & 1, 0) << "only padding may follow";
        }
    }
    MPEGData unknown;
    unknown.FileName = "x.ogg";
    unknown.Codec = "FLAC";
    EXPECT_THROW(CodecOf(unknown), NotOggAudioError);
}

} // namespace
} // namespace oq::test
