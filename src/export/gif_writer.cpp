#include "export/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>

#include "core/message.h"
#include "export/colour_quantizer.h"

namespace {
// At most this many pixels of all frames together pick the palette: plenty
// for 256 colours, and it keeps long animations quick.
constexpr size_t paletteSamples = size_t{1} << 20;

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        if (gif != nullptr) EGifCloseFile(gif, nullptr);
    }
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

    std::vector<uint8_t> out;
    int error = 0;
    GifCloser closer{EGifOpen(&out, appendBytes, &error)};
    GifFileType* gif = closer.gif;
    if (gif == nullptr) fail("Cannot encode GIF image");
    EGifSetGifVersion(gif, true);
    GifColorType colours[256] = {};
    const auto& palette = quantizer.palette();
    for (size_t i = 0; i < palette.size(); ++i) colours[i] = {palette[i][0], palette[i][1], palette[i][2]};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    const bool header = map != nullptr && EGifPutScreenDesc(gif, width_, height_, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!header) fail("Cannot encode GIF image");

    // Loop for ever (the NETSCAPE2.0 application extension, count 0).
    const GifByteType loop[3] = {1, 0, 0};
    bool ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
              EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
              EGifPutExtensionTrailer(gif) == GIF_OK;

    std::vector<uint8_t> previous, indices(pixels);
    for (size_t f = 0; ok && f < frames_.size(); ++f) {
        const std::vector<uint8_t>& rgb = frames_[f];
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
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = delay_;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
             EGifPutImageDesc(gif, left, top, right - left + 1, bottom - top + 1, false, nullptr) == GIF_OK;
        for (int y = top; ok && y <= bottom; ++y)
            ok = EGifPutLine(gif, &indices[static_cast<size_t>(y) * width_ + left], right - left + 1) == GIF_OK;
        previous = indices;
    }
    closer.gif = nullptr;
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok) fail("Cannot encode GIF image");
    return out;
}
