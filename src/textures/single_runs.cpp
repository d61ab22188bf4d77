#include "textures/single_runs.h"

#include <array>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KVSS_SINGLE_RUNS_SSSE3 1
#endif

#ifdef KVSS_SINGLE_RUNS_SSSE3
namespace {

// Shuffles that pick byte `field` of each of 16 consecutive 3-byte runs out
// of the 16-byte part `part` of their 48 bytes; lanes owned by another part are
// cleared, so the three parts' results are simply or-ed.
constexpr std::array<uint8_t, 16> fieldShuffle(int field, int part) {
    std::array<uint8_t, 16> mask{};
    for (int run = 0; run < 16; ++run) {
        const int offset = run * 3 + field - part * 16;
        mask[run] = offset >= 0 && offset < 16 ? static_cast<uint8_t>(offset) : 0x80;
    }
    return mask;
}

struct Shuffles {
    alignas(16) std::array<uint8_t, 16> mask[3][3];
};
constexpr Shuffles shuffles = [] {
    Shuffles s{};
    for (int field = 0; field < 3; ++field)
        for (int part = 0; part < 3; ++part) s.mask[field][part] = fieldShuffle(field, part);
    return s;
}();

__attribute__((target("ssse3"))) __m128i gatherField(__m128i a, __m128i b, __m128i c, int field) {
    const auto mask = [&](int part) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(shuffles.mask[field][part].data()));
    };
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, mask(0)), _mm_shuffle_epi8(b, mask(1))),
                        _mm_shuffle_epi8(c, mask(2)));
}

// A 32-entry byte lookup from two 16-entry halves, chosen by bit 4.
__attribute__((target("ssse3"))) __m128i lookup32(__m128i low, __m128i high, __m128i index) {
    const __m128i upper = _mm_cmpeq_epi8(_mm_and_si128(index, _mm_set1_epi8(16)), _mm_set1_epi8(16));
    return _mm_or_si128(_mm_andnot_si128(upper, _mm_shuffle_epi8(low, index)),
                        _mm_and_si128(upper, _mm_shuffle_epi8(high, index)));
}

// Bytes shifted right within themselves (x86 has no byte shift).
__attribute__((target("ssse3"))) __m128i shiftRight(__m128i bytes, int by, int keep) {
    return _mm_and_si128(_mm_srli_epi16(bytes, by), _mm_set1_epi8(static_cast<char>(keep)));
}

__attribute__((target("ssse3"))) int32_t decodeSingleRunsSsse3(const uint8_t* runs, int32_t groups, uint8_t* out,
                                                              const ChannelBytes& channels) {
    const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(channels.low));
    const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(channels.high));
    const __m128i alphaBytes = _mm_load_si128(reinterpret_cast<const __m128i*>(channels.alpha));
    const __m128i one = _mm_set1_epi8(1);
    int32_t done = 0;
    for (int32_t group = 0; group < groups; ++group, runs += 48, out += 64, done += singleRunGroup) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(runs));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(runs + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(runs + 32));
        const __m128i lo = gatherField(a, b, c, 1);
        const __m128i hi = gatherField(a, b, c, 2);
        __m128i red, green, blue, alpha;
        if (channels.fiveBits) {
            red = lookup32(low, high, shiftRight(hi, 2, 31));
            green = lookup32(low, high, _mm_or_si128(shiftRight(lo, 5, 7), _mm_slli_epi16(_mm_and_si128(hi, _mm_set1_epi8(3)), 3)));
            blue = lookup32(low, high, _mm_and_si128(lo, _mm_set1_epi8(31)));
            alpha = _mm_shuffle_epi8(alphaBytes, shiftRight(hi, 7, 1));
        } else {
            const __m128i nibble = _mm_set1_epi8(15);
            red = _mm_shuffle_epi8(low, _mm_and_si128(hi, nibble));
            green = _mm_shuffle_epi8(low, shiftRight(lo, 4, 15));
            blue = _mm_shuffle_epi8(low, _mm_and_si128(lo, nibble));
            alpha = _mm_shuffle_epi8(alphaBytes, shiftRight(hi, 4, 15));
        }
        const __m128i redGreen0 = _mm_unpacklo_epi8(red, green);
        const __m128i redGreen1 = _mm_unpackhi_epi8(red, green);
        const __m128i blueAlpha0 = _mm_unpacklo_epi8(blue, alpha);
        const __m128i blueAlpha1 = _mm_unpackhi_epi8(blue, alpha);
        auto* pixels = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(pixels, _mm_unpacklo_epi16(redGreen0, blueAlpha0));
        _mm_storeu_si128(pixels + 1, _mm_unpackhi_epi16(redGreen0, blueAlpha0));
        _mm_storeu_si128(pixels + 2, _mm_unpacklo_epi16(redGreen1, blueAlpha1));
        _mm_storeu_si128(pixels + 3, _mm_unpackhi_epi16(redGreen1, blueAlpha1));
        // A count of 0 also means one pixel. The pixels from the first longer
        // run on are written over by the runs that follow.
        const __m128i counts = gatherField(a, b, c, 0);
        const unsigned longer = ~_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(counts, one), one)) & 0xFFFFu;
        if (longer != 0) return done + __builtin_ctz(longer);
    }
    return done;
}
// The pixels of a group's 16 runs: their counts, a count of 0 meaning 1.
__attribute__((target("ssse3"))) int32_t groupPixels(const uint8_t* runs) {
    const __m128i counts = gatherField(_mm_loadu_si128(reinterpret_cast<const __m128i*>(runs)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(runs + 16)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(runs + 32)), 0);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_and_si128(_mm_cmpeq_epi8(counts, zero), _mm_set1_epi8(1));
    const __m128i sums = _mm_sad_epu8(_mm_add_epi8(counts, ones), zero);
    return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
}

__attribute__((target("ssse3"))) int32_t skipRunsSsse3(const uint8_t* runs, int32_t groups, int32_t limit,
                                                      int32_t& pixels) {
    int32_t group = 0;
    for (; group < groups; ++group, runs += 48) {
        const int32_t more = groupPixels(runs);
        if (more >= limit - pixels) break;
        pixels += more;
    }
    return group * singleRunGroup;
}

bool hasSsse3() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3");
}
}  // namespace

SingleRunDecoder singleRunDecoder() {
    static const SingleRunDecoder chosen = hasSsse3() ? &decodeSingleRunsSsse3 : nullptr;
    return chosen;
}

RunSkipper runSkipper() {
    static const RunSkipper chosen = hasSsse3() ? &skipRunsSsse3 : nullptr;
    return chosen;
}
#else
SingleRunDecoder singleRunDecoder() { return nullptr; }
RunSkipper runSkipper() { return nullptr; }
#endif
