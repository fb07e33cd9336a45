#pragma once
// Whether a chunk's bytes, read where the file is thought to lie, hold the samples the
// tables describe. Video decides: an AVC or HEVC sample is a run of NAL units whose
// length fields add up exactly to the sample's size, each with a valid header; an
// MPEG-4 Visual sample starts with a start code. AAC frames carry no header, so an
// audio chunk is only checked for consistency: most of its frames start alike and
// none starts cleared. Other tracks are not checked. Every check spends steps from
// `steps` (a read each) and fails once they run out.
//
// Where two fragments may join inside a sample's coded bytes the lengths say nothing:
// there the payload is scored for what coded data never holds (three bytes 00 00 00 or
// 00 00 01, which start codes and emulation prevention keep out, and sectors of few
// byte values) or seldom holds (sectors with FF 00 twice, as JPEG data has them).
#include "raw/MediaLength.h"
#include "raw/Mp4SampleTable.h"

namespace qr::raw {

// True when the track's samples are checked strongly enough to place a fragment.
bool DecidesPlacement(const Mp4Track& track);

// The file bytes [from, to) whose payload is scored, and the oddities found there.
struct JoinScore {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::uint64_t oddities = 0;
};

bool ChunkHolds(const Mp4Track& track, const Mp4Chunk& chunk, const FileBytesReader& read,
                std::uint64_t& steps, JoinScore* score = nullptr);

// True when the video chunks hold where the tables put them, read in one run: the
// first sample of each and the last chunk whole, so that a break anywhere shows.
bool ChunksInPlace(const Mp4SampleTables& tables, const FileBytesReader& read);

} // namespace qr::raw
