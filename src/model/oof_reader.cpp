// The OOF reader: turns a stream of tagged chunks into a PolyModel.
#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/in_file.h"
#include "model/poly_model.h"
#include "textures/texture.h"

namespace {
constexpr int32_t version2200 = 2200;
constexpr int32_t version2300 = 2300;

// Smallest records on disk, for bounding counts before anything is allocated.
constexpr int32_t stringBytes = 4;
constexpr int32_t pointBytes = 4 + 12 + 12;
constexpr int32_t positionKeyBytes = 4 + 12;
constexpr int32_t rotationKeyBytes = 4 + 12 + 4;
constexpr int32_t cornerBytes = 4 + 4 + 4;
constexpr int32_t faceBytes = 12 + 4 + 4 + 3 + 8;  // untextured, no corners
constexpr int32_t batteryBytes = 4 + 4;
constexpr int32_t droppedFaceBytes = 8;  // ending each face record, not kept

// Vertex, normal and corner runs are read in one call each, straight into the
// arrays: the format and the platform are both little-endian, and these
// records have the file's layout with no padding.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(Vector) == 12 && sizeof(FaceVertex) == cornerBytes);

// A count read from the file must fit, at `itemBytes` per item, in what the
// chunk still holds; otherwise the count is a lie and reading it out would
// run past the chunk anyway, so fail as the window would. 64-bit product:
// a hostile count must not overflow it.
void checkCount(InFile& in, int32_t count, int32_t itemBytes) {
    if (count < 0 || static_cast<int64_t>(count) * itemBytes > in.size() - in.tell()) {
        fail("Tried to read past limit");
    }
}

void skip(InFile& in, int32_t bytes) { in.seek(in.tell() + bytes); }

char* readString(InFile& in) {
    const int32_t length = readS32(in);
    checkCount(in, length, 1);
    char* text = new char[static_cast<size_t>(length) + 1];
    std::memset(text, 0, static_cast<size_t>(length) + 1);
    in.read(text, length);
    return text;
}

bool isChunk(const char* id, const char* name) { return std::memcmp(id, name, 4) == 0; }

class ModelReader {
public:
    ModelReader(PolyModel& model, int32_t version) : model(model), version(version) {}
    ~ModelReader() {
        // Subobjects not yet in the tree when reading fails.
        for (auto& slot : slots) delete slot.second;
    }

    void chunk(const char* id, InFile& in);
    void finish();

private:
    Subobject* slot(int32_t index) const {
        const auto found = slots.find(index);
        return found == slots.end() ? nullptr : found->second;
    }

    void readTextures(InFile& in);
    void readHeader(InFile& in);
    void readSubobject(InFile& in);
    void readFace(InFile& in, Subobject& s, bool afterFace);
    TextureRef* makeTextureRef(int32_t textureIndex, void* cell);
    void readPositionKeys(InFile& in);
    void readRotationKeys(InFile& in);
    void readPoints(InFile& in, FunctionalPointKind kind);
    void readAttachUps(InFile& in);
    void readBatteries(InFile& in);
    std::vector<int32_t> depthsOfTree(const std::vector<Subobject*>& table) const;

    PolyModel& model;
    const int32_t version;
    int32_t subobjectCount = 0;
    // Filled by SOBJ chunks, owned here until the final pass links the tree.
    // A map rather than a table of `subobjectCount` slots: the count alone is
    // no promise that the file holds that many subobjects.
    std::map<int32_t, Subobject*> slots;
    std::vector<std::string> textureNames;
    // The texture each name led to, once a face has made a handle on it: the
    // faces after it take another handle on the same texture, which stays
    // alive at least as long as that first face, instead of searching the
    // cache by name again. The last slot is for "bad texture index".
    std::vector<Texture*> texturesByIndex;
    bool texturesRead = false;
    bool positionKeysRead = false;
    bool rotationKeysRead = false;
    bool batteriesRead = false;
    bool pointsRead[functionalPointKindCount] = {false, false, false};
};

void ModelReader::chunk(const char* id, InFile& in) {
    if (isChunk(id, "TXTR")) readTextures(in);
    else if (isChunk(id, "OHDR")) readHeader(in);
    else if (isChunk(id, "SOBJ")) readSubobject(in);
    else if (isChunk(id, "PANI")) readPositionKeys(in);
    else if (isChunk(id, "RANI")) readRotationKeys(in);
    else if (isChunk(id, "GPNT") || isChunk(id, "GRND") || isChunk(id, "ATCH"))
        readPoints(in, functionalPointKindOf(id));
    else if (isChunk(id, "NATH")) readAttachUps(in);
    else if (isChunk(id, "WBAT")) readBatteries(in);
    // Any other chunk is skipped whole.
}

void ModelReader::readTextures(InFile& in) {
    if (texturesRead) return;
    texturesRead = true;
    const int32_t count = readS32(in);
    checkCount(in, count, stringBytes);
    textureNames.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        std::unique_ptr<char[]> name(readString(in));
        textureNames.emplace_back(name.get());
    }
    texturesByIndex.assign(textureNames.size() + 1, nullptr);
}

void ModelReader::readHeader(InFile& in) {
    if (subobjectCount != 0) return;
    subobjectCount = readS32(in);
    model.radius = readFloat(in);
    model.boundsMin = readVector(in);
    model.boundsMax = readVector(in);
}

void ModelReader::readSubobject(InFile& in) {
    if (subobjectCount <= 0) fail("No OHDR before SOBJ");
    std::unique_ptr<Subobject> s(new Subobject(&model));
    s->index = readS32(in);
    s->parentIndex = readS32(in);
    skip(in, 28);
    s->positionTrack.defaultPosition = readVector(in);
    s->radius = readFloat(in);
    skip(in, 8);
    s->center = readVector(in);
    s->name = readString(in);
    s->property = new SubobjectProperty(in);
    skip(in, 8);
    const int32_t ignored = readS32(in);
    checkCount(in, ignored, 4);
    skip(in, 4 * ignored);

    const int32_t vertexCount = readS32(in);
    checkCount(in, vertexCount, version == version2300 ? 12 + 12 + 4 : 12 + 12);
    const size_t n = static_cast<size_t>(vertexCount);
    s->vertices = new Vector[n];
    s->normals = new Vector[n];
    s->alphas = new float[n];
    s->vertexCount = vertexCount;
    // checkCount made sure the window holds all of them.
    in.read(s->vertices, vertexCount * static_cast<int32_t>(sizeof(Vector)));
    in.read(s->normals, vertexCount * static_cast<int32_t>(sizeof(Vector)));
    std::fill_n(s->alphas, n, 1.0f);
    if (version == version2300) in.read(s->alphas, vertexCount * static_cast<int32_t>(sizeof(float)));

    const int32_t faceCount = readS32(in);
    checkCount(in, faceCount, faceBytes);
    // Enough for every face with its handle, and for corners as many as the
    // rest of the chunk could hold: usually one block for the subobject.
    if (faceCount > 0) {
        s->faceArena.reserve(static_cast<size_t>(faceCount) * (sizeof(Face) + sizeof(TextureRef) + 16) +
                             static_cast<size_t>(in.size() - in.tell()));
    }
    for (int32_t i = 0; i < faceCount; ++i) readFace(in, *s, i > 0);
    if (faceCount > 0) {
        uint8_t dropped[droppedFaceBytes];
        in.read(dropped, sizeof dropped);
    }

    const int32_t index = s->index;
    if (index < 0 || index >= subobjectCount) fail("Subobject index out of range");
    if (slot(index) != nullptr) fail("Duplicate subobject number");
    slots.emplace(index, s.get());
    s.release();
}

TextureRef* ModelReader::makeTextureRef(int32_t textureIndex, void* cell) {
    const bool known = textureIndex >= 0 && static_cast<size_t>(textureIndex) < textureNames.size();
    if (texturesByIndex.empty()) texturesByIndex.assign(1, nullptr);
    const size_t slot = known ? static_cast<size_t>(textureIndex) : texturesByIndex.size() - 1;
    if (Texture* shared = texturesByIndex[slot]) return new (cell) TextureRef(shared);
    auto* ref = new (cell) TextureRef(known ? textureNames[slot].c_str() : "bad texture index");
    texturesByIndex[slot] = ref->texture;
    return ref;
}

// `afterFace`: the 8 bytes that end the face before are still unread; they
// come in the same read as this face's first fields (nothing between the two
// reads could fail, so a cut chunk fails as it would with two reads).
void ModelReader::readFace(InFile& in, Subobject& s, bool afterFace) {
    // In its list from the start, so that a failure part way releases it.
    Face* face = new (s.faceArena) Face;
    s.faces.append(face);
    // Normal, corner count and textured flag in one read.
    uint8_t fields[droppedFaceBytes + 20] = {};
    const int32_t skipped = afterFace ? droppedFaceBytes : 0;
    in.read(fields + droppedFaceBytes - skipped, skipped + 20);
    const uint8_t* head = fields + droppedFaceBytes;
    std::memcpy(&face->normal, head, sizeof(Vector));
    int32_t cornerCount = 0;
    std::memcpy(&cornerCount, head + 12, 4);
    std::memcpy(&face->textured, head + 16, 4);
    if (face->textured != 0) {
        const int32_t texture = readS32(in);
        face->texture = makeTextureRef(texture, s.faceArena.allocate(sizeof(TextureRef), alignof(TextureRef)));
    } else {
        in.read(face->colour, 3);
    }
    checkCount(in, cornerCount, cornerBytes);
    face->corners = s.faceArena.allocateArray<FaceVertex>(static_cast<size_t>(cornerCount));
    face->vertexCount = cornerCount;
    in.read(face->corners, cornerCount * static_cast<int32_t>(sizeof(FaceVertex)));
    for (int32_t i = 0; i < cornerCount; ++i) {
        // The renderer indexes the vertex arrays with it.
        const int32_t vertex = face->corners[i].vertex;
        if (vertex < 0 || vertex >= s.vertexCount) fail("Face vertex index out of range");
    }
}

void ModelReader::readPositionKeys(InFile& in) {
    if (positionKeysRead) return;
    positionKeysRead = true;
    if (subobjectCount <= 0) fail("No OHDR before PANI");
    for (int32_t i = 0; i < subobjectCount; ++i) {
        Subobject* s = slot(i);
        if (s == nullptr) fail("Missing subobject before PANI");
        const int32_t count = readS32(in);
        skip(in, 8);
        checkCount(in, count, positionKeyBytes);
        std::vector<std::pair<int32_t, Vector>> keys(static_cast<size_t>(count));
        for (auto& [frame, position] : keys) {
            frame = readS32(in);
            // Keys in the file are offsets from the rest position.
            position = readVector(in) + s->positionTrack.defaultPosition;
        }
        // A second key for a frame is dropped; the first stays.
        s->positionTrack.addKeys(std::move(keys));
    }
}

void ModelReader::readRotationKeys(InFile& in) {
    if (rotationKeysRead) return;
    rotationKeysRead = true;
    if (subobjectCount <= 0) fail("No OHDR before RANI");
    for (int32_t i = 0; i < subobjectCount; ++i) {
        Subobject* s = slot(i);
        if (s == nullptr) fail("Missing subobject before RANI");
        const int32_t count = readS32(in);
        skip(in, 8);
        checkCount(in, count, rotationKeyBytes);
        std::vector<std::pair<int32_t, RotationKey>> keys(static_cast<size_t>(count));
        RotationKey running;
        for (auto& [frame, key] : keys) {
            frame = readS32(in);
            Vector axis = readVector(in);
            const float angle = static_cast<float>(readS32(in) * 9.587379924285257e-05);  // pi / 32768
            if (axis.squaredLength() < 0.0001f) {
                axis = Vector(0.0f, 0.0f, 1.0f);
            } else {
                const float length = axis.length();
                axis = Vector(axis.x / length, axis.y / length, axis.z / length);
            }
            // Each key turns on from the one before it (the first from the identity).
            Quaternion orientation = Quaternion::fromAxisAngle(axis, angle) * running.orientation;
            orientation.normalize();
            running = RotationKey{orientation, axis, angle, running.orientation};
            key = running;
        }
        // A second key for a frame is dropped, but the keys after it in the
        // file still built on its orientation.
        s->rotationTrack.addKeys(std::move(keys));
    }
}

void ModelReader::readPoints(InFile& in, FunctionalPointKind kind) {
    if (pointsRead[kind]) return;
    pointsRead[kind] = true;
    const int32_t count = readS32(in);
    checkCount(in, count, pointBytes);
    for (int32_t i = 0; i < count; ++i) {
        // An index with no subobject read for it (yet) names nothing: the point
        // is dropped, whether the slot is empty or outside the table.
        Subobject* s = slot(readS32(in));
        std::unique_ptr<FunctionalPoint> point(new FunctionalPoint(kind, s));
        point->position = readVector(in);
        point->normal = readVector(in);
        point->up = point->normal.perpendicularPart(Vector(0.0f, 1.0f, 0.0f));
        if (s != nullptr) s->addPoint(point.release());
    }
}

void ModelReader::readAttachUps(InFile& in) {
    if (!pointsRead[attachPointKind] || model.attachUpsRead) return;
    model.attachUpsRead = true;
    const int32_t count = std::min(readS32(in), model.attachPoints->count);
    int32_t done = 0;
    for (RefNode<FunctionalPoint>* ref : model.attachPoints->as<RefNode<FunctionalPoint>>()) {
        if (done++ >= count) break;
        skip(in, 16);
        FunctionalPoint* point = ref->target;
        point->up = point->normal.perpendicularPart(readVector(in));
    }
}

void ModelReader::readBatteries(InFile& in) {
    if (batteriesRead) return;
    batteriesRead = true;
    // Gun indices count steps along the gun point list from its first node
    // (none for an index of 0 or less); a table makes each lookup one step.
    std::vector<FunctionalPoint*> guns;
    for (RefNode<FunctionalPoint>* ref : model.gunPoints->as<RefNode<FunctionalPoint>>()) guns.push_back(ref->target);

    const int32_t count = readS32(in);
    checkCount(in, count, batteryBytes);
    for (int32_t b = 0; b < count; ++b) {
        WeaponBattery* battery = new WeaponBattery;
        model.weaponBatteries->append(battery);
        const int32_t gunCount = readS32(in);
        checkCount(in, gunCount, 4);
        for (int32_t g = 0; g < gunCount; ++g) {
            const int32_t index = std::max(readS32(in), 0);
            if (static_cast<size_t>(index) < guns.size()) {
                battery->guns->append(new RefNode<FunctionalPoint>(guns[static_cast<size_t>(index)]));
            }
        }
        const int32_t turretCount = readS32(in);
        checkCount(in, turretCount, 4);
        for (int32_t t = 0; t < turretCount; ++t) {
            Subobject* turret = slot(readS32(in));
            if (turret != nullptr) battery->turrets->append(new RefNode<Subobject>(turret));
        }
    }
}

// Each subobject's depth below the roots (roots are 1). The parent links must
// form a tree: a chain that never reaches a root would be unreachable from the
// roots and own itself, and a very deep one would exhaust the stack of every
// recursive walk, so both are refused.
std::vector<int32_t> ModelReader::depthsOfTree(const std::vector<Subobject*>& table) const {
    constexpr int32_t unknown = 0;
    constexpr int32_t onPath = -1;
    std::vector<int32_t> depth(table.size(), unknown);
    std::vector<int32_t> path;
    for (size_t i = 0; i < table.size(); ++i) {
        path.clear();
        int32_t at = static_cast<int32_t>(i);
        while (at >= 0 && depth[static_cast<size_t>(at)] == unknown) {
            depth[static_cast<size_t>(at)] = onPath;
            path.push_back(at);
            at = table[static_cast<size_t>(at)]->parentIndex;
        }
        int32_t reached = 0;
        if (at >= 0) {
            if (depth[static_cast<size_t>(at)] == onPath) fail("Subobject parent chain has no root");
            reached = depth[static_cast<size_t>(at)];
        }
        for (auto node = path.rbegin(); node != path.rend(); ++node) {
            if (++reached > maxSubobjectDepth) fail("Subobject tree too deep");
            depth[static_cast<size_t>(*node)] = reached;
        }
    }
    return depth;
}

void ModelReader::finish() {
    model.allSubobjects->clear();
    const size_t count = subobjectCount > 0 ? static_cast<size_t>(subobjectCount) : 0;
    // Every slot index is below the count, so the table is full exactly when it
    // holds `count` subobjects.
    if (slots.size() != count) fail("Missing subobject");
    std::vector<Subobject*> table;
    table.reserve(count);
    for (const auto& slot : slots) {
        if (slot.second->parentIndex >= subobjectCount) fail("Parent subobject index out of range");
        table.push_back(slot.second);
    }
    depthsOfTree(table);

    // From here on the tree owns them.
    slots.clear();
    for (Subobject* s : table) {
        model.allSubobjects->append(new RefNode<Subobject>(s));
        if (s->parentIndex < 0) {
            s->parent = nullptr;
            model.rootSubobjects.append(s);
        } else {
            s->parent = table[static_cast<size_t>(s->parentIndex)];
            s->parent->children.append(s);
        }
    }
}
}  // namespace

void PolyModel::readModel(InFile& stream) {
    // A stream shorter than the magic is simply not a model.
    char magic[4] = {0, 0, 0, 0};
    stream.read(magic, std::min<int32_t>(4, stream.size() - stream.tell()));
    if (std::memcmp(magic, "PSPO", 4) != 0) fail("Not a valid OOF file");
    const int32_t version = readS32(stream);
    if (version != version2200 && version != version2300) fail("Unsupported OOF version");
    attachUpsRead = false;

    // The textures first made for this model share one budget.
    ModelTextureBudget budget;
    ModelReader reader(*this, version);
    for (;;) {
        if (stream.atEnd()) break;
        char id[4] = {0, 0, 0, 0};
        stream.read(id, 4);
        // A stream on disk raises its end flag only on the short read of an id.
        if (stream.atEnd()) break;
        int32_t length = readS32(stream);
        // No chunk holds more than the stream has left: so cut, the window bounds
        // every count inside it by bytes that exist.
        if (length > 0) length = std::min(length, stream.size() - stream.tell());
        LimitedInFile body(stream, length);
        reader.chunk(id, body);
    }
    reader.finish();
}
