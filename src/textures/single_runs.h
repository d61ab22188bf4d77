#pragma once

#include <cstdint>

// Detailed bitmaps are mostly runs of one pixel each: their 3-byte runs are
// turned into RGBA sixteen at a time with vector shuffles where the processor
// has them, and the stored mip levels, which are not kept, are stepped over
// sixteen runs at a time. The scalar decoder handles everything else and gives
// the same bytes.

constexpr int singleRunGroup = 16;

// What each channel's stored bits become: for 4-4-4-4 `low` maps a nibble and
// `alpha` the alpha nibble; for 1-5-5-5 `low` and `high` map the 5-bit values
// 0..15 and 16..31, and `alpha` the alpha bit.
struct ChannelBytes {
    alignas(16) uint8_t low[16];
    alignas(16) uint8_t high[16];
    alignas(16) uint8_t alpha[16];
    bool fiveBits = false;
};

// Decodes up to `groups` groups of 16 runs from `runs` into RGBA pixels at
// `out`, stopping at the first run of more than one pixel. Returns the number
// of runs (and so of pixels) decoded; the stores may run on to the end of the
// group that stopped, so `out` must have room for `groups` whole groups.
using SingleRunDecoder = int32_t (*)(const uint8_t* runs, int32_t groups, uint8_t* out, const ChannelBytes& channels);

// The vector decoder this processor can run, or null where it has none.
SingleRunDecoder singleRunDecoder();

// Steps over up to `groups` groups of 16 runs, adding their pixels to
// `pixels`, as long as the sum stays below `limit`; stops before the group
// that would reach it. Returns the number of runs stepped over.
using RunSkipper = int32_t (*)(const uint8_t* runs, int32_t groups, int32_t limit, int32_t& pixels);

// The vector skipper this processor can run, or null where it has none.
RunSkipper runSkipper();
