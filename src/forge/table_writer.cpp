#include "forge/table_writer.h"

Bytes TableWriter::textureBody(const TextureRecord& record) {
    ByteWriter body;
    body.cstring(record.name).cstring(record.fileName).cstring(record.thirdText);
    body.zeros(12);
    body.f32(record.alphaFactor).f32(record.frameTime).f32(record.slideU).f32(record.slideV);
    body.zeros(9);
    body.u32(record.flags);
    body.raw(record.tail);
    return body.take();
}

TableWriter& TableWriter::texture(const TextureRecord& record) { return this->record(1, 7, textureBody(record)); }

TableWriter& TableWriter::record(int8_t type, int16_t kind, const Bytes& body) {
    return recordWithLength(type, static_cast<int32_t>(body.size()) + 6, kind, body);
}

TableWriter& TableWriter::recordWithLength(int8_t type, int32_t length, int16_t kind, const Bytes& body) {
    out_.u8(static_cast<uint8_t>(type)).s32(length).s16(kind).raw(body);
    return *this;
}

TableWriter& TableWriter::raw(const Bytes& bytes) {
    out_.raw(bytes);
    return *this;
}
