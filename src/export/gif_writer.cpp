#include "export/gif_writer.h"

#include <algorithm>
#include <iterator>

#include "core/message.h"
#include "export/colour_quantizer.h"

namespace {
// At most this many pixels of all frames together pick the palette: plenty
// for 256 colours, and it keeps long animations quick.
constexpr size_t paletteSamples = size_t{1} << 20;

void put16(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// GIF's variable-length LZW over 8-bit indices: codes of 9 to 12 bits, least
// significant bit first, in data blocks of at most 255 bytes. A full table is
// cleared at once, so every code fits in 12 bits.
class LzwEncoder {
public:
    explicit LzwEncoder(std::vector<uint8_t>& out) : out_(out) {
        out_.push_back(minimumCodeSize);
        reset();
        emit(clearCode);
    }

    void add(uint8_t index) {
        if (prefix_ < 0) {
            prefix_ = index;
            return;
        }
        const int32_t key = prefix_ << 8 | index;
        const size_t slot = slotOf(key);
        if (keys_[slot] == key) {
            prefix_ = codes_[slot];
            return;
        }
        emit(prefix_);
        keys_[slot] = key;
        codes_[slot] = static_cast<int16_t>(next_++);
        // The decoder adds its entry one code later, so it widens its codes when
        // its next entry reaches the width's limit: one entry after the encoder.
        if (next_ > (1 << codeSize_) && codeSize_ < maximumCodeSize) ++codeSize_;
        if (next_ == tableSize) {
            emit(clearCode);
            reset();
        }
        prefix_ = index;
    }

    void finish() {
        if (prefix_ >= 0) emit(prefix_);
        emit(endCode);
        if (bitCount_ > 0) block_.push_back(static_cast<uint8_t>(bits_));
        flushBlock();
        out_.push_back(0);  // the block terminator
    }

private:
    static constexpr int minimumCodeSize = 8;
    static constexpr int clearCode = 1 << minimumCodeSize;
    static constexpr int endCode = clearCode + 1;
    static constexpr int maximumCodeSize = 12;
    static constexpr int tableSize = 1 << maximumCodeSize;
    static constexpr size_t slots = 8192;  // a power of two, at most half full

    void reset() {
        keys_.assign(slots, -1);
        codes_.assign(slots, 0);
        next_ = endCode + 1;
        codeSize_ = minimumCodeSize + 1;
    }

    size_t slotOf(int32_t key) const {
        size_t slot = (static_cast<uint32_t>(key) * 2654435761u >> 19) & (slots - 1);
        while (keys_[slot] != -1 && keys_[slot] != key) slot = (slot + 1) & (slots - 1);
        return slot;
    }

    void emit(int code) {
        bits_ |= static_cast<uint32_t>(code) << bitCount_;
        bitCount_ += codeSize_;
        while (bitCount_ >= 8) {
            block_.push_back(static_cast<uint8_t>(bits_ & 0xFF));
            bits_ >>= 8;
            bitCount_ -= 8;
            if (block_.size() == 255) flushBlock();
        }
    }

    void flushBlock() {
        if (block_.empty()) return;
        out_.push_back(static_cast<uint8_t>(block_.size()));
        out_.insert(out_.end(), block_.begin(), block_.end());
        block_.clear();
    }

    std::vector<uint8_t>& out_;
    std::vector<int32_t> keys_;
    std::vector<int16_t> codes_;
    std::vector<uint8_t> block_;
    int next_ = 0;
    int codeSize_ = 0;
    int prefix_ = -1;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
};
}  // namespace

GifAnimation::GifAnimation(int width, int height, int delayCentiseconds)
    : width_(width), height_(height), delay_(delayCentiseconds) {}

void GifAnimation::addFrame(const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width_) * height_ * 3);
    for (size_t i = 0, n = rgb.size() / 3; i < n; ++i) std::copy_n(&rgba[i * 4], 3, &rgb[i * 3]);
    frames_.push_back(std::move(rgb));
}

std::vector<uint8_t> GifAnimation::encode() const {
    if (frames_.empty()) fail("No frames to write");
    const size_t pixels = static_cast<size_t>(width_) * height_;
    const size_t stride = std::max<size_t>(1, pixels * frames_.size() / paletteSamples);
    std::vector<uint8_t> samples;
    for (size_t i = 0; i < pixels * frames_.size(); i += stride) {
        const uint8_t* p = &frames_[i / pixels][(i % pixels) * 3];
        samples.insert(samples.end(), p, p + 3);
    }
    ColourQuantizer quantizer(samples);

    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, width_);
    put16(out, height_);
    out.push_back(0xF7);  // a global table of 256 colours, 8 bits a channel
    out.push_back(0);     // background colour
    out.push_back(0);     // no aspect ratio
    const auto& palette = quantizer.palette();
    for (size_t i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) out.push_back(i < palette.size() ? palette[i][c] : 0);
    // Loop for ever: the NETSCAPE2.0 application extension with count 0.
    const uint8_t loop[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
    out.insert(out.end(), std::begin(loop), std::end(loop));

    std::vector<uint8_t> previous, indices(pixels);
    for (const std::vector<uint8_t>& rgb : frames_) {
        for (size_t i = 0; i < pixels; ++i) indices[i] = quantizer.nearest(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
        // The rectangle that differs from the frame before (all of the first);
        // an unchanged frame still needs one pixel to carry its delay.
        int left = 0, top = 0, right = width_ - 1, bottom = height_ - 1;
        if (!previous.empty()) {
            left = width_, top = height_, right = -1, bottom = -1;
            for (int y = 0; y < height_; ++y)
                for (int x = 0; x < width_; ++x) {
                    const size_t i = static_cast<size_t>(y) * width_ + x;
                    if (indices[i] == previous[i]) continue;
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            if (right < 0) left = right = top = bottom = 0;
        }
        // Graphic control: leave the frame in place for the next, shown `delay_` centiseconds.
        const uint8_t control[] = {0x21, 0xF9, 4, 1 << 2, static_cast<uint8_t>(delay_ & 0xFF),
                                   static_cast<uint8_t>(delay_ >> 8), 0, 0};
        out.insert(out.end(), std::begin(control), std::end(control));
        out.push_back(0x2C);
        put16(out, left);
        put16(out, top);
        put16(out, right - left + 1);
        put16(out, bottom - top + 1);
        out.push_back(0);  // no table of its own, not interlaced
        LzwEncoder lzw(out);
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) lzw.add(indices[static_cast<size_t>(y) * width_ + x]);
        lzw.finish();
        previous = indices;
    }
    out.push_back(0x3B);  // trailer
    return out;
}
