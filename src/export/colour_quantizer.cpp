#include "export/colour_quantizer.h"

#include <algorithm>

namespace {
struct Box {
    size_t begin, end;  // a range of the sample array
    int channel = 0;    // the channel of widest spread
    int spread = -1;
};

using Colour = std::array<uint8_t, 3>;

void measure(Box& box, const std::vector<Colour>& colours) {
    uint8_t lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], colours[i][c]);
            hi[c] = std::max(hi[c], colours[i][c]);
        }
    box.spread = -1;
    for (int c = 0; c < 3; ++c)
        if (hi[c] - lo[c] > box.spread) box.spread = hi[c] - lo[c], box.channel = c;
}
}  // namespace

ColourQuantizer::ColourQuantizer(const std::vector<uint8_t>& samples, int paletteSize)
    : cache_(size_t{1} << 18, 0xFFFF) {
    std::vector<Colour> colours(samples.size() / 3);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = {samples[i * 3], samples[i * 3 + 1], samples[i * 3 + 2]};
    if (colours.empty()) colours.push_back({0, 0, 0});

    std::vector<Box> boxes{{0, colours.size()}};
    measure(boxes[0], colours);
    while (static_cast<int>(boxes.size()) < paletteSize) {
        // Split the widest box that still holds two different colours.
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& a, const Box& b) { return a.spread < b.spread; });
        if (widest->spread <= 0) break;
        Box box = *widest;
        const int channel = box.channel;
        const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [channel](const Colour& a, const Colour& b) { return a[channel] < b[channel]; });
        // Split at the median, moved to where the value changes, so that one
        // colour never ends up in two boxes.
        size_t middle = box.begin + (box.end - box.begin) / 2;
        const uint8_t value = colours[middle][channel];
        size_t up = middle, down = middle;
        while (up < box.end && colours[up][channel] == value) ++up;
        while (down > box.begin && colours[down - 1][channel] == value) --down;
        middle = up < box.end && (up - middle <= middle - down || down == box.begin) ? up : down;
        Box low{box.begin, middle}, high{middle, box.end};
        measure(low, colours);
        measure(high, colours);
        *widest = low;
        boxes.push_back(high);
    }
    for (const Box& box : boxes) {
        uint64_t sum[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i)
            for (int c = 0; c < 3; ++c) sum[c] += colours[i][c];
        const uint64_t n = box.end - box.begin;
        palette_.push_back({static_cast<uint8_t>((sum[0] + n / 2) / n), static_cast<uint8_t>((sum[1] + n / 2) / n),
                            static_cast<uint8_t>((sum[2] + n / 2) / n)});
    }
}

uint8_t ColourQuantizer::nearest(uint8_t r, uint8_t g, uint8_t b) {
    const size_t key = (static_cast<size_t>(r >> 2) << 12) | (static_cast<size_t>(g >> 2) << 6) | (b >> 2);
    if (cache_[key] != 0xFFFF) return static_cast<uint8_t>(cache_[key]);
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette_.size(); ++i) {
        const int dr = palette_[i][0] - r, dg = palette_[i][1] - g, db = palette_[i][2] - b;
        // Weighted towards green, as the eye is.
        const int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (distance < bestDistance) bestDistance = distance, best = static_cast<int>(i);
    }
    cache_[key] = static_cast<uint16_t>(best);
    return static_cast<uint8_t>(best);
}
