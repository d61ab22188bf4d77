#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/vector.h"

using Bytes = std::vector<uint8_t>;

// Appends little-endian fields to a byte buffer: the one place where the
// forge's writers lay out numbers.
class ByteWriter {
public:
    ByteWriter& u8(uint8_t value);
    ByteWriter& u16(uint16_t value);
    ByteWriter& s16(int16_t value) { return u16(static_cast<uint16_t>(value)); }
    ByteWriter& u32(uint32_t value);
    ByteWriter& s32(int32_t value) { return u32(static_cast<uint32_t>(value)); }
    ByteWriter& f32(float value);
    ByteWriter& vec(const Vector& v) { return f32(v.x).f32(v.y).f32(v.z); }
    ByteWriter& raw(std::string_view text);
    ByteWriter& raw(const Bytes& bytes);
    ByteWriter& zeros(size_t count);
    // Text followed by a 0 byte.
    ByteWriter& cstring(std::string_view text) { return raw(text).u8(0); }
    // 32-bit length, then the bytes, no terminator.
    ByteWriter& lstring(std::string_view text) { return s32(static_cast<int32_t>(text.size())).raw(text); }

    size_t size() const { return bytes_.size(); }
    const Bytes& bytes() const { return bytes_; }
    Bytes take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// Writes `bytes` to `path`; throws std::runtime_error on failure.
void writeFileBytes(const std::string& path, const Bytes& bytes);
// Reads a whole file; throws std::runtime_error on failure.
Bytes readFileBytes(const std::string& path);
