// kvtool dump: a model as the saver reads it, as a tree or as JSON.
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "data/game_table.h"
#include "data/kv_path.h"
#include "model/poly_model.h"
#include "textures/texture.h"
#include "tool_support.h"

namespace {
nlohmann::json jsonVector(const Vector& v) { return {jsonFloat(v.x), jsonFloat(v.y), jsonFloat(v.z)}; }
nlohmann::json jsonQuaternion(const Quaternion& q) {
    return {jsonFloat(q.w), jsonFloat(q.v.x), jsonFloat(q.v.y), jsonFloat(q.v.z)};
}

// The textures a subobject's faces show, each once, in order of first use:
// named through the shared Texture, which keeps the name it was first asked
// for. Once each, as a model of a megabyte may have 30 000 faces name one
// texture of a thousand characters.
std::vector<const char*> textureNames(const Subobject& s) {
    std::vector<const char*> names;
    std::set<const Texture*> seen;
    for (const Face* face : s.faces.as<Face>())
        if (face->textured && seen.insert(face->texture->texture).second) names.push_back(face->texture->texture->name);
    return names;
}

nlohmann::json subobjectJson(const Subobject& s, float frame) {
    nlohmann::json parameters = nlohmann::json::array();
    for (int32_t i = 0; i < 4; ++i) parameters.push_back(jsonFloat(s.property->parameterValue(i)));
    nlohmann::json textures = nlohmann::json::array();
    for (const char* name : textureNames(s)) textures.push_back(name);
    nlohmann::json positionKeys = nlohmann::json::array();
    for (const PositionKey* key : s.positionTrack.keys.as<PositionKey>()) {
        positionKeys.push_back({{"frame", key->frame}, {"position", jsonVector(key->position)}});
    }
    nlohmann::json rotationKeys = nlohmann::json::array();
    for (const RotationKeyNode* node : s.rotationTrack.keys.as<RotationKeyNode>()) {
        rotationKeys.push_back({{"frame", node->frame},
                                {"orientation", jsonQuaternion(node->key.orientation)},
                                {"axis", jsonVector(node->key.axis)},
                                {"angle", jsonFloat(node->key.angle)}});
    }
    return {{"index", s.index},
            {"parentIndex", s.parentIndex},
            {"name", s.name},
            {"property", {{"kind", s.property->kind()}, {"parameters", parameters}}},
            {"radius", jsonFloat(s.radius)},
            {"center", jsonVector(s.center)},
            {"vertexCount", s.vertexCount},
            {"faceCount", s.faces.count},
            {"textures", textures},
            {"positionKeys", positionKeys},
            {"rotationKeys", rotationKeys},
            {"positionAt", jsonVector(s.positionTrack.positionAt(frame))},
            {"rotationAt", jsonQuaternion(s.rotationTrack.rotationAt(frame))}};
}

nlohmann::json pointsJson(const List& points) {
    nlohmann::json list = nlohmann::json::array();
    for (const RefNode<FunctionalPoint>* ref : points.as<RefNode<FunctionalPoint>>()) {
        const FunctionalPoint& p = *ref->target;
        list.push_back({{"subobject", p.subobject->index},
                        {"position", jsonVector(p.position)},
                        {"normal", jsonVector(p.normal)},
                        {"up", jsonVector(p.up)},
                        {"number", p.number}});
    }
    return list;
}

nlohmann::json modelJson(const PolyModel& model, float frame) {
    nlohmann::json subobjects = nlohmann::json::array();
    for (const RefNode<Subobject>* ref : model.allSubobjects->as<RefNode<Subobject>>()) {
        subobjects.push_back(subobjectJson(*ref->target, frame));
    }
    nlohmann::json batteries = nlohmann::json::array();
    for (const WeaponBattery* battery : model.weaponBatteries->as<WeaponBattery>()) {
        nlohmann::json guns = nlohmann::json::array();
        for (const RefNode<FunctionalPoint>* gun : battery->guns->as<RefNode<FunctionalPoint>>()) {
            guns.push_back(gun->target->number);
        }
        nlohmann::json turrets = nlohmann::json::array();
        for (const RefNode<Subobject>* turret : battery->turrets->as<RefNode<Subobject>>()) {
            turrets.push_back(turret->target->index);
        }
        batteries.push_back({{"guns", guns}, {"turrets", turrets}});
    }
    return {{"radius", jsonFloat(model.radius)},
            {"boundsMin", jsonVector(model.boundsMin)},
            {"boundsMax", jsonVector(model.boundsMax)},
            {"keyFrameExtent", model.keyFrameExtent()},
            {"subobjects", subobjects},
            {"gunPoints", pointsJson(*model.gunPoints)},
            {"groundPoints", pointsJson(*model.groundPoints)},
            {"attachPoints", pointsJson(*model.attachPoints)},
            {"weaponBatteries", batteries}};
}

// ------------------------------------------------------------------ the tree

std::string text(const Vector& v) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "(%g, %g, %g)", v.x, v.y, v.z);
    return buffer;
}

std::string text(const Quaternion& q) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "(%g; %g, %g, %g)", q.w, q.v.x, q.v.y, q.v.z);
    return buffer;
}

void printSubobject(const Subobject& s, int depth, float frame) {
    const std::string pad(static_cast<size_t>(depth) * 2, ' ');
    const int32_t kind = s.property->kind();
    std::printf("%s[%d] %s", pad.c_str(), s.index, s.name);
    if (kind != SubobjectProperty::none) {
        std::printf("  %s", propertyDescriptors[kind].label);
        for (int32_t i = 0; i < propertyDescriptors[kind].parameterCount; ++i) {
            std::printf("%s%g", i == 0 ? " " : ", ", s.property->parameterValue(i));
        }
    }
    std::printf("\n%s    radius %g, center %s, %d vertices, %d faces\n", pad.c_str(), s.radius, text(s.center).c_str(),
                s.vertexCount, s.faces.count);
    std::string textures;
    for (const char* name : textureNames(s)) textures += std::string(textures.empty() ? "" : ", ") + name;
    if (!textures.empty()) std::printf("%s    textures: %s\n", pad.c_str(), textures.c_str());
    for (const PositionKey* key : s.positionTrack.keys.as<PositionKey>()) {
        std::printf("%s    position key %d: %s\n", pad.c_str(), key->frame, text(key->position).c_str());
    }
    for (const RotationKeyNode* node : s.rotationTrack.keys.as<RotationKeyNode>()) {
        std::printf("%s    rotation key %d: %s, %g rad about %s\n", pad.c_str(), node->frame,
                    text(node->key.orientation).c_str(), node->key.angle, text(node->key.axis).c_str());
    }
    std::printf("%s    at frame %g: position %s, rotation %s\n", pad.c_str(), frame,
                text(s.positionTrack.positionAt(frame)).c_str(), text(s.rotationTrack.rotationAt(frame)).c_str());
    for (const Subobject* child : s.children.as<Subobject>()) printSubobject(*child, depth + 1, frame);
}

void printModel(const PolyModel& model, float frame) {
    std::printf("radius %g, bounds %s .. %s, %d subobjects, key frame extent %d\n", model.radius,
                text(model.boundsMin).c_str(), text(model.boundsMax).c_str(), model.allSubobjects->count,
                model.keyFrameExtent());
    for (const Subobject* root : model.rootSubobjects.as<Subobject>()) printSubobject(*root, 0, frame);
    for (FunctionalPointKind kind = 0; kind < functionalPointKindCount; ++kind) {
        for (const RefNode<FunctionalPoint>* ref : model.pointList(kind)->as<RefNode<FunctionalPoint>>()) {
            const FunctionalPoint& p = *ref->target;
            std::printf("%s #%d on [%d] at %s, normal %s, up %s\n", functionalPointKinds[kind].name, p.number,
                        p.subobject->index, text(p.position).c_str(), text(p.normal).c_str(), text(p.up).c_str());
        }
    }
    int32_t number = 0;
    for (const WeaponBattery* battery : model.weaponBatteries->as<WeaponBattery>()) {
        std::printf("Weapon battery #%d: guns", number++);
        for (const RefNode<FunctionalPoint>* gun : battery->guns->as<RefNode<FunctionalPoint>>()) {
            std::printf(" %d", gun->target->number);
        }
        std::printf("; turrets");
        for (const RefNode<Subobject>* turret : battery->turrets->as<RefNode<Subobject>>()) {
            std::printf(" [%d]", turret->target->index);
        }
        std::printf("\n");
    }
}
}  // namespace

void addDumpCommand(CLI::App& app) {
    struct Options {
        std::string archive;
        std::string model;
        float frame = 0.0f;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("dump", "Show a model as the saver reads it: its tree, keys and points");
    addArchiveArgument(*command, options->archive);
    command->add_option("MODEL", options->model, "Entry name of the model (letter case does not matter)")->required();
    command->add_option("--frame", options->frame, "Key frame at which to evaluate the tracks (default 0)");
    command->add_flag("--json", options->json,
                      "Print one JSON object: radius, bounds, keyFrameExtent, subobjects, points and batteries");
    command->callback([options] {
        // As the saver does: textures resolve through the game table.
        openGame(options->archive);
        std::unique_ptr<PolyModel> model;
        about(options->model, [&] {
            const std::unique_ptr<InFile> stream(searchPath.open(options->model.c_str()));
            model = std::make_unique<PolyModel>(*stream);
        });
        if (options->json) printJson(modelJson(*model, options->frame));
        else printModel(*model, options->frame);
    });
}
