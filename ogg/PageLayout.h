#pragma once

namespace oq {

// Where the fields of an Ogg page header lie, in bytes from its start: the
// capture pattern, version, flags, granule position (8 bytes), serial
// number, page number, checksum (4 bytes each), segment count, then that
// many lacing values; numbers least significant byte first. The body is the
// sum of the lacing values. Plain ints, so that they mix with the signed
// lengths of the Ogg library's structures and with sizes alike.
struct PageLayout {
    static constexpr char kCapture[] = "OggS";
    static constexpr int kCaptureBytes = 4;
    static constexpr int kVersionAt = 4;
    static constexpr int kFlagsAt = 5;
    static constexpr int kGranuleAt = 6;
    static constexpr int kSerialAt = 14;
    static constexpr int kPageNumberAt = 18;
    static constexpr int kChecksumAt = 22;
    static constexpr int kSegmentCountAt = 26;
    static constexpr int kFixedHeaderBytes = 27; // the lacing values follow
    static constexpr int kMostSegments = 255;

    // A lacing value counts up to 255 bytes; one of 255 continues its
    // packet, so a packet ends at the first value under 255.
    static constexpr int kFullSegment = 255;
    // The largest page: its fixed header, 255 lacing values, 255 segments
    // of 255 bytes.
    static constexpr int kLargestPage = kFixedHeaderBytes + kMostSegments + kMostSegments * kFullSegment;

    // Bits of the flags byte.
    static constexpr unsigned char kContinued = 0x01; // the first packet began on an earlier page
    static constexpr unsigned char kFirstPage = 0x02;
    static constexpr unsigned char kLastPage = 0x04;
};

} // namespace oq
