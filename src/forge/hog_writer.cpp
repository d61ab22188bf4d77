#include "forge/hog_writer.h"

#include <algorithm>
#include <stdexcept>

namespace {
// The archive reader's comparison, restated here so the writer does not depend
// on the code it is used to test.
int compareFolded(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : int(c); };
        const int ca = fold(static_cast<unsigned char>(a[i]));
        const int cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}
}  // namespace

HogWriter& HogWriter::add(std::string name, Bytes data) {
    if (name.size() > 35) throw std::invalid_argument("HOG2 entry names hold at most 35 characters: " + name);
    entries_.push_back({std::move(name), std::move(data)});
    return *this;
}

HogWriter& HogWriter::keepOrder(bool keep) {
    keepOrder_ = keep;
    return *this;
}

HogWriter& HogWriter::dataOffset(int32_t offset) {
    dataOffset_ = offset;
    return *this;
}

std::vector<HogWriter::Entry> HogWriter::ordered() const {
    std::vector<Entry> result = entries_;
    if (!keepOrder_)
        std::stable_sort(result.begin(), result.end(),
                         [](const Entry& a, const Entry& b) { return compareFolded(a.name, b.name) < 0; });
    return result;
}

Bytes HogWriter::build() const {
    const std::vector<Entry> entries = ordered();
    const int32_t tableEnd = 68 + 48 * static_cast<int32_t>(entries.size());
    const int32_t offset = dataOffset_ >= 0 ? dataOffset_ : tableEnd;

    ByteWriter out;
    out.raw("HOG2").s32(static_cast<int32_t>(entries.size())).s32(offset).zeros(56);
    for (const Entry& entry : entries) {
        Bytes name(36, 0);
        std::copy(entry.name.begin(), entry.name.end(), name.begin());
        out.raw(name).s32(0).s32(static_cast<int32_t>(entry.data.size())).s32(0);
    }
    if (offset > tableEnd) out.zeros(static_cast<size_t>(offset - tableEnd));
    for (const Entry& entry : entries) out.raw(entry.data);
    return out.take();
}
