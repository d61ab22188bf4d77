#pragma once

#include <cstdint>
#include <memory>

#include "core/arena.h"
#include "core/list.h"
#include "core/vector.h"
#include "model/animation.h"
#include "model/subobject_property.h"

class InFile;
class Viewer;
class PolyModel;
struct RenderState;
struct FpsCounter;
struct TextureRef;

// Gun, ground and attach points; the number indexes the point lists.
using FunctionalPointKind = int32_t;
constexpr FunctionalPointKind gunPointKind = 0;
constexpr FunctionalPointKind groundPointKind = 1;
constexpr FunctionalPointKind attachPointKind = 2;
constexpr int32_t functionalPointKindCount = 3;

struct FunctionalPointKindRow {
    const char* chunkId;  // the chunk that introduces points of this kind
    const char* name;
    const char* shortName;
};
extern const FunctionalPointKindRow functionalPointKinds[functionalPointKindCount];
// The kind whose chunk id is the four bytes at `chunkId`; throws
// "Invalid functional point tag" for any other id.
FunctionalPointKind functionalPointKindOf(const char* chunkId);

// Deeper trees are refused when read: the tree is walked recursively when it
// is destroyed, measured and drawn.
constexpr int32_t maxSubobjectDepth = 1000;

struct FaceVertex {
    int32_t vertex;  // into the subobject's vertices, normals and alphas; always in range
    float u;
    float v;
};

// Faces are made in their subobject's `faceArena`, with their corners and
// texture handles: deleting a face destroys it and what it owns, and the
// memory goes back with the arena.
class Face : public ListNode {
public:
    ~Face() override;
    static void* operator new(size_t bytes, Arena& arena) { return arena.allocate(bytes, alignof(Face)); }
    static void operator delete(void*, Arena&) {}
    static void operator delete(void*) {}

    Vector normal;
    int32_t vertexCount = 0;
    int32_t textured = 0;             // nonzero: `texture` is set, otherwise `colour`
    TextureRef* texture = nullptr;    // owned, in the arena
    uint8_t colour[3] = {0, 0, 0};    // red, green, blue
    FaceVertex* corners = nullptr;    // owned, in the arena, vertexCount long
};

class Subobject;

// What the renderer keeps to draw a subobject (its faces as arrays): made by
// the renderer at the subobject's first draw and freed with the subobject.
struct SubobjectDrawing {
    virtual ~SubobjectDrawing() = default;
};

class FunctionalPoint : public ListNode {
public:
    FunctionalPoint(FunctionalPointKind kind_, Subobject* subobject_) : subobject(subobject_), kind(kind_) {}

    Subobject* subobject;  // not owned; never null in a complete model
    FunctionalPointKind kind;
    Vector position;       // in the subobject's frame
    Vector normal;
    Vector up;             // unit, perpendicular to normal
    int32_t number = 0;    // place among the model's points of this kind
};

class Subobject : public ListNode {
public:
    explicit Subobject(PolyModel* model_) : model(model_) {}
    ~Subobject() override;

    // Appends the point to its list here and to the model's list of its kind,
    // numbering it after the model's points of that kind so far.
    void addPoint(FunctionalPoint* point);

    int32_t index = 0;
    int32_t parentIndex = -1;     // negative for a root
    Subobject* parent = nullptr;  // not owned
    List children;                // ascending index
    PolyModel* model;             // not owned
    PositionTrack positionTrack;
    RotationTrack rotationTrack;
    float radius = 0.0f;
    Vector center;
    char* name = nullptr;                     // owned
    SubobjectProperty* property = nullptr;    // owned; never null once read
    int32_t vertexCount = 0;
    Vector* vertices = nullptr;               // owned arrays, vertexCount long
    Vector* normals = nullptr;
    float* alphas = nullptr;
    List faces;
    List points[functionalPointKindCount];
    Arena faceArena;  // the faces, their corners and texture handles; released after them
    mutable std::unique_ptr<SubobjectDrawing> drawing;  // the renderer's; null until first drawn or read ahead
};

// The spin axis of a $rotate subobject: the axis of the first of its first
// two rotation keys that is not exactly the identity; false when there is none.
bool spinAxis(const Subobject& subobject, Vector& axis);

class WeaponBattery : public ListNode {
public:
    WeaponBattery() : guns(new List), turrets(new List) {}
    ~WeaponBattery() override;

    List* guns;     // RefNodes to gun FunctionalPoints
    List* turrets;  // RefNodes to Subobjects
};

// One OOF model, read whole from a stream and never changed afterwards.
class PolyModel {
public:
    // Reads the model from `stream`, positioned at the start of an OOF file;
    // throws the reader's message text, and then nothing of the model is left.
    // The textures it makes share one ModelTextureBudget: a model naming too
    // many throws "Model has too many textures", one whose bitmaps hold too
    // many pixels "Model textures too large".
    explicit PolyModel(InFile& stream);
    ~PolyModel();
    PolyModel(const PolyModel&) = delete;
    PolyModel& operator=(const PolyModel&) = delete;

    // The animation length in key frames: the latest last key of any track
    // reachable from the roots; 0 without keys or when every key is negative.
    int32_t keyFrameExtent() const;
    // A new camera for this model, owned by the caller (defined with the camera).
    Viewer* createViewer() const;
    // Clears and draws one frame: `frame` in key frames, `seconds` since the
    // model was put on screen (defined with the renderer). The overlay's frame
    // rate is counted in `rate`: each monitor's own, or the one of the process.
    void drawFrame(const RenderState& state, float frame, float seconds, FpsCounter& rate) const;
    void drawFrame(const RenderState& state, float frame, float seconds) const;

    List* pointList(FunctionalPointKind kind) const {
        return kind == gunPointKind ? gunPoints : kind == groundPointKind ? groundPoints : attachPoints;
    }

    float radius = 0.0f;
    Vector boundsMin;
    Vector boundsMax;
    List rootSubobjects;                 // owned, ascending index
    List* allSubobjects = nullptr;       // RefNodes, ascending index
    List* gunPoints = nullptr;           // RefNodes, reading order
    List* groundPoints = nullptr;
    List* attachPoints = nullptr;
    List* weaponBatteries = nullptr;     // owned WeaponBatteries
    bool attachUpsRead = false;

private:
    void readModel(InFile& stream);
    void release();
};
