#include "model/poly_model.h"

#include <algorithm>
#include <cstring>

#include "core/message.h"
#include "textures/texture.h"

const FunctionalPointKindRow functionalPointKinds[functionalPointKindCount] = {
    {"GPNT", "Gun point", "Gun"},
    {"GRND", "Ground point", "Ground"},
    {"ATCH", "Attach point", "Attach"},
};

FunctionalPointKind functionalPointKindOf(const char* chunkId) {
    for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind) {
        if (std::memcmp(chunkId, functionalPointKinds[kind].chunkId, 4) == 0) return kind;
    }
    fail("Invalid functional point tag");
}

Face::~Face() {
    // Only destroyed: the memory of both belongs to the subobject's arena.
    if (textured && texture != nullptr) texture->~TextureRef();
}

Subobject::~Subobject() {
    delete[] name;
    delete property;
    delete[] vertices;
    delete[] normals;
    delete[] alphas;
    for (List& list : points) list.clear();
    faces.clear();
    rotationTrack.keys.clear();
    positionTrack.keys.clear();
    children.clear();
    // ~ListNode then releases the siblings that follow.
}

void Subobject::addPoint(FunctionalPoint* point) {
    points[point->kind].append(point);
    List* modelList = model->pointList(point->kind);
    point->number = modelList->count;
    modelList->append(new RefNode<FunctionalPoint>(point));
}

WeaponBattery::~WeaponBattery() {
    delete guns;
    delete turrets;
}

PolyModel::PolyModel(InFile& stream)
    : allSubobjects(new List), gunPoints(new List), groundPoints(new List), attachPoints(new List),
      weaponBatteries(new List) {
    try {
        readModel(stream);
    } catch (...) {
        // A constructor that throws gets no destructor call.
        release();
        throw;
    }
}

PolyModel::~PolyModel() { release(); }

// References first, then what they refer to.
void PolyModel::release() {
    delete allSubobjects;
    delete gunPoints;
    delete groundPoints;
    delete attachPoints;
    delete weaponBatteries;
    allSubobjects = gunPoints = groundPoints = attachPoints = weaponBatteries = nullptr;
    rootSubobjects.clear();
}

namespace {
// Depth first from the roots; subobjects off the tree are not counted.
void latestKey(const List& subobjects, bool& found, int32_t& latest) {
    const auto consider = [&](int32_t frame) {
        latest = found ? std::max(latest, frame) : frame;
        found = true;
    };
    for (const Subobject* s : subobjects.as<Subobject>()) {
        if (const ListNode* key = s->positionTrack.keys.last) consider(static_cast<const PositionKey*>(key)->frame);
        if (const ListNode* key = s->rotationTrack.keys.last) {
            consider(static_cast<const RotationKeyNode*>(key)->frame);
        }
        latestKey(s->children, found, latest);
    }
}
}  // namespace

// The largest last-key frame, and never below 0: the animation clock runs
// between 0 and this, and a negative end would flip it between the two ends.
int32_t PolyModel::keyFrameExtent() const {
    bool found = false;
    int32_t latest = 0;
    latestKey(rootSubobjects, found, latest);
    return std::max(latest, 0);
}

bool spinAxis(const Subobject& s, Vector& axis) {
    const ListNode* node = s.rotationTrack.keys.first;
    if (node == nullptr) return false;
    const Quaternion* q = &static_cast<const RotationKeyNode*>(node)->key.orientation;
    if (q->w == 1.0f) {
        node = node->next;
        if (node == nullptr) return false;
        q = &static_cast<const RotationKeyNode*>(node)->key.orientation;
        if (q->w == 1.0f) return false;
    }
    axis = q->w >= 0.0f ? q->v : -q->v;
    axis.normalize();
    return true;
}
