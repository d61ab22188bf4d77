#pragma once

#include <array>
#include <cstdint>
#include <vector>

// A palette of at most 256 colours for a set of RGB colours, by median cut:
// the box of colours with the widest spread is split at its median along
// that spread, until there are as many boxes as palette entries; each entry
// is the mean of its box. Mapping a colour to its nearest entry is cached.
class ColourQuantizer {
public:
    // `samples`: RGB triples (3 bytes each) to fit the palette to.
    ColourQuantizer(const std::vector<uint8_t>& samples, int paletteSize = 256);

    const std::vector<std::array<uint8_t, 3>>& palette() const { return palette_; }
    // The index of the palette entry nearest to the colour.
    uint8_t nearest(uint8_t r, uint8_t g, uint8_t b);

private:
    std::vector<std::array<uint8_t, 3>> palette_;
    // Nearest entries by colour, 6 bits a channel; 0xFFFF until asked.
    std::vector<uint16_t> cache_;
};
