#include "forge/demo_models.h"

#include <cmath>

#include "forge/demo_shapes.h"

namespace {
const Vector up(0, 1, 0);
const Vector forward(0, 0, 1);

// A square facing +z, drawn by the saver as a billboard turned to the viewer.
MeshBuilder glowCard(float size, const Material& material) {
    MeshBuilder card;
    const float h = size / 2;
    card.polygon({{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0}}, {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, material, forward);
    return card;
}

// A turret: a round base with two barrels along +z.
MeshBuilder turret(const Material& base, const Material& barrel) {
    MeshBuilder t;
    t.latheY({{1.9f, -0.3f}, {1.7f, 0.6f}, {1.1f, 1.3f}}, 10, base);
    t.box({-0.7f, 0.5f, 0.0f}, {-0.35f, 0.85f, 4.2f}, barrel);
    t.box({0.35f, 0.5f, 0.0f}, {0.7f, 0.85f, 4.2f}, barrel);
    return t;
}
}  // namespace

Bytes vanguardModel() {
    DemoModel model({"hullplate", "engineglow", "runlights"});
    const Material hull = textured(0, 3.0f);
    const Material dark = coloured(70, 76, 90);
    const Material trim = coloured(170, 60, 40);

    MeshBuilder body;
    body.lathe({{2.8f, -20}, {4.2f, -17}, {4.8f, -8}, {4.3f, 4}, {3.2f, 12}, {1.6f, 18}, {0, 21}}, 12, hull, 1.35f, 0.8f);
    body.box({-1.6f, 2.6f, -7}, {1.6f, 4.8f, -1.5f}, coloured(150, 160, 178));
    body.box({-1.2f, 3.9f, -1.6f}, {1.2f, 4.4f, -1.4f}, coloured(120, 230, 255));  // bridge windows
    body.slab({{3.5f, -15}, {17, -17}, {17, -12.5f}, {3.5f, 1}}, 0, 0.7f, textured(0, 2.0f));
    body.slab({{-3.5f, -15}, {-3.5f, 1}, {-17, -12.5f}, {-17, -17}}, 0, 0.7f, textured(0, 2.0f));
    body.lathe({{0.9f, -18}, {1.1f, -16}, {1.1f, -11}, {0, -9}}, 8, trim, 1, 1, {17, 0, 0});
    body.lathe({{0.9f, -18}, {1.1f, -16}, {1.1f, -11}, {0, -9}}, 8, trim, 1, 1, {-17, 0, 0});
    // Running lights along the flanks slide by.
    body.polygon({{5.9f, -0.6f, -12}, {5.9f, -0.6f, 2}, {5.9f, 0.1f, 2}, {5.9f, 0.1f, -12}}, {{0, 0}, {4, 0}, {4, 1}, {0, 1}},
                 textured(2), {1, 0, 0});
    body.polygon({{-5.9f, -0.6f, -12}, {-5.9f, 0.1f, -12}, {-5.9f, 0.1f, 2}, {-5.9f, -0.6f, 2}}, {{0, 0}, {0, 1}, {4, 1}, {4, 0}},
                 textured(2), {-1, 0, 0});
    const int32_t root = model.add(body, -1, "hull", "", {});

    for (float side : {-1.0f, 1.0f}) {
        MeshBuilder nacelle;
        nacelle.lathe({{1.6f, -4.5f}, {2.3f, -3}, {2.3f, 3}, {1.5f, 5}}, 10, dark);
        const int32_t engine = model.add(nacelle, root, side < 0 ? "engine left" : "engine right",
                                         "$thruster=0.4,0.6,1,3", {side * 5.8f, -1.2f, -17.5f});
        model.add(glowCard(5.5f, textured(1)), engine, "exhaust glow", "$facing", {0, 0, -5.2f});
    }

    const int32_t topTurret = model.add(turret(coloured(120, 128, 140), dark), root, "turret top", "$fov=90,4,1",
                                        {0, 3.1f, 8});
    const int32_t bottomTurret = model.add(turret(coloured(120, 128, 140), dark), root, "turret bottom",
                                           "$fov=90,4,1", {0, -2.4f, 5});
    // Turrets keep their rest orientation whatever their keys say.
    model.rotationKey(topTurret, 0, up, 0);
    model.rotationKey(topTurret, 10, up, 60);
    model.rotationKey(bottomTurret, 0, up, 0);
    model.rotationKey(bottomTurret, 10, up, -60);

    std::vector<int32_t> guns;
    for (int32_t t : {topTurret, bottomTurret})
        for (float x : {-0.52f, 0.52f}) guns.push_back(model.gun(t, {x, 0.68f, 4.3f}, forward));
    guns.push_back(model.gun(root, {17, 0, -8.8f}, forward));
    guns.push_back(model.gun(root, {-17, 0, -8.8f}, forward));
    model.battery({guns[0], guns[1]}, {topTurret});
    model.battery({guns[2], guns[3]}, {bottomTurret});
    model.battery({guns[4], guns[5]}, {});
    model.groundPoint(root, {0, -3.5f, -6}, {0, -1, 0});
    model.groundPoint(root, {0, -3.2f, 8}, {0, -1, 0});
    model.attachPoint(root, {0, 4.8f, -4}, up, forward);
    return model.build();
}

Bytes relayModel() {
    DemoModel model({"hullplate", "runlights", "solarpanel"});
    const Material grey = coloured(150, 154, 162);

    MeshBuilder hub;
    hub.sphere(6, 8, 14, textured(0, 2.0f));
    hub.latheY({{1.1f, -15}, {1.1f, 15}}, 8, grey);
    hub.torus(13, 1.3f, 24, 8, textured(0, 1.0f));
    for (int spoke = 0; spoke < 4; ++spoke) {
        const float a = static_cast<float>(spoke) * 1.5707963f + 0.785398f;
        const float c = std::cos(a), s = std::sin(a);
        hub.polygon({{5.5f * c, -0.4f, 5.5f * s}, {12 * c, -0.4f, 12 * s}, {12 * c, 0.4f, 12 * s}, {5.5f * c, 0.4f, 5.5f * s}},
                    {}, grey, Vector(-s, 0, c));
        hub.polygon({{5.5f * c, -0.4f, 5.5f * s}, {5.5f * c, 0.4f, 5.5f * s}, {12 * c, 0.4f, 12 * s}, {12 * c, -0.4f, 12 * s}},
                    {}, grey, Vector(s, 0, -c));
    }
    // A band of lights around the ring's rim, sliding round.
    hub.latheY({{14.35f, -0.45f}, {14.35f, 0.45f}}, 24, textured(1, 1.0f), {}, false);
    for (float y : {-15.5f, 15.5f}) {
        hub.slab({{-9, -2.5f}, {9, -2.5f}, {9, 2.5f}, {-9, 2.5f}}, y, 0.3f, textured(2, 1.0f));
    }
    const int32_t root = model.add(hub, -1, "hub", "", {});

    // The radar: a dish on a stalk, spinning about the mast.
    MeshBuilder radar;
    radar.latheY({{0.5f, 0}, {0.4f, 2.2f}}, 6, grey);
    const int rings = 4, sides = 12;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < sides; ++j) {
            auto point = [&](int ring, int side) {
                const float r = 4.5f * static_cast<float>(ring) / rings;
                const float a = 6.2831853f * static_cast<float>(side) / sides;
                // A shallow bowl tipped towards +z.
                const float depth = 0.12f * r * r;
                return Vector(r * std::cos(a), 2.4f + r * std::sin(a) * 0.7f, depth + r * std::sin(a) * 0.7f);
            };
            const Vector a = point(i, j), b = point(i, j + 1), c = point(i + 1, j + 1), d = point(i + 1, j);
            std::vector<Vector> quad = i == 0 ? std::vector<Vector>{a, c, d} : std::vector<Vector>{a, b, c, d};
            radar.twoSided(quad, {}, coloured(205, 210, 220), forward);
        }
    }
    radar.box({-0.15f, 2.3f, 0}, {0.15f, 2.6f, 3.2f}, grey);
    const int32_t dish = model.add(radar, root, "radar", "$rotate=6", {0, 15, 0});
    model.rotationKey(dish, 0, up, 0);
    model.rotationKey(dish, 1, up, 90);  // gives the spin axis

    model.attachPoint(root, {13, 0, 0}, {1, 0, 0}, up);
    model.attachPoint(root, {-13, 0, 0}, {-1, 0, 0}, up);
    return model.build();
}

Bytes harvesterModel() {
    DemoModel model({"glass"});
    const Material yellow = coloured(235, 182, 40);
    const Material steel = coloured(95, 100, 110);

    MeshBuilder body;
    body.lathe({{3.4f, -6}, {4.2f, -4}, {4.2f, 3}, {3.2f, 5}}, 6, yellow, 1.2f, 0.9f);
    body.box({-5.5f, -4.6f, -5}, {-3.6f, -2.6f, 4}, steel);  // tracks
    body.box({3.6f, -4.6f, -5}, {5.5f, -2.6f, 4}, steel);
    body.box({-1, 3.2f, -5}, {1, 4.2f, -2}, coloured(200, 60, 40));  // exhaust stack
    // The canopy is glass: see-through by its vertex alpha.
    body.lathe({{1.6f, 0}, {2.1f, 1.5f}, {1.6f, 3}, {0, 3.8f}}, 10, textured(0, 1.0f, 0.45f), 1, 0.8f, {0, 2.4f, 0});
    const int32_t root = model.add(body, -1, "chassis", "", {});

    for (float side : {-1.0f, 1.0f}) {
        MeshBuilder arm;
        arm.box({-0.5f, -0.5f, 0}, {0.5f, 0.5f, 6}, steel);
        arm.lathe({{0.8f, -0.6f}, {0.8f, 0.6f}}, 8, yellow);
        const int32_t a = model.add(arm, root, side < 0 ? "arm left" : "arm right", "", {side * 4.6f, -0.5f, 3.5f});
        model.rotationKey(a, 0, {1, 0, 0}, 0);
        model.rotationKey(a, 10, {1, 0, 0}, 35);
        model.rotationKey(a, 20, {1, 0, 0}, -35);
        for (float finger : {-1.0f, 1.0f}) {
            MeshBuilder claw;
            claw.slab({{-0.25f, 0}, {0.25f, 0}, {0.1f, 2.2f}, {-0.35f, 2.0f}}, 0, 0.5f, coloured(210, 210, 215));
            const int32_t c = model.add(claw, a, "claw", "", {finger * 0.45f, 0, 6});
            model.positionKey(c, 0, {0, 0, 0});
            model.positionKey(c, 10, {finger * 0.8f, 0, 0});
            model.positionKey(c, 20, {0, 0, 0});
        }
    }

    MeshBuilder drill;
    drill.lathe({{1.5f, 0}, {1.2f, 1.5f}, {0.6f, 3}, {0, 4.5f}}, 8, coloured(190, 195, 205));
    for (int blade = 0; blade < 3; ++blade) {
        const float a = static_cast<float>(blade) * 2.0943951f;
        drill.twoSided({{0, 0, 0.5f}, {1.9f * std::cos(a), 1.9f * std::sin(a), 0.8f}, {0, 0, 3.8f}}, {},
                       coloured(240, 120, 30), Vector(-std::sin(a), std::cos(a), 0));
    }
    const int32_t spinner = model.add(drill, root, "drill", "$rotate=0.8", {0, -1.2f, 5});
    model.rotationKey(spinner, 0, forward, 0);
    model.rotationKey(spinner, 1, forward, 45);

    model.groundPoint(root, {-4.5f, -4.6f, 0}, {0, -1, 0});
    model.groundPoint(root, {4.5f, -4.6f, 0}, {0, -1, 0});
    return model.build();
}

Bytes asteroidModel() {
    DemoModel model({"PaleWhiteRock001", "hullplate", "cargo_stencil", "beaconglow"});
    MeshBuilder rock;
    rock.sphere(11, 10, 16, textured(0, 2.0f), 0.35f, 4);
    const int32_t root = model.add(rock, -1, "rock", "", {});

    MeshBuilder outpost;
    outpost.sphere(3, 5, 12, textured(1, 1.0f));
    outpost.latheY({{0.25f, 2.5f}, {0.2f, 7}}, 6, coloured(160, 160, 170));
    // The cargo pod's bitmap is not in the archive: it shows the NO FILE image.
    outpost.box({3.2f, -1.2f, -2}, {6.6f, 1.6f, 2}, textured(2, 1.0f));
    const int32_t base = model.add(outpost, root, "outpost", "", {2, 9.5f, 1});
    model.add(glowCard(2.4f, textured(3)), base, "mast light", "$facing", {0, 7.3f, 0});
    MeshBuilder lamp;
    lamp.box({-0.4f, -0.4f, -0.4f}, {0.4f, 0.4f, 0.4f}, coloured(255, 200, 90));
    model.add(lamp, base, "warning lamp", "$glow=1,0.8,0.3,2", {0, 7.3f, 0});
    model.attachPoint(base, {0, 3, 0}, up, forward);
    return model.build();
}

Bytes lanceModel() {
    DemoModel model({"hullplate", "engineglow"});
    const Material hull = textured(0, 2.0f);
    MeshBuilder body;
    body.lathe({{1.2f, -9}, {1.8f, -7}, {1.9f, 0}, {1.2f, 6}, {0, 11}}, 8, hull, 1.2f, 0.9f);
    body.lathe({{0.7f, -2}, {1.0f, 0.5f}, {0.6f, 3}, {0, 4}}, 8, coloured(40, 60, 90), 0.9f, 0.8f, {0, 1.2f, 0});
    body.slab({{1.5f, -8}, {9, -7}, {9, -5.5f}, {1.5f, 1}}, -0.2f, 0.4f, hull);
    body.slab({{-1.5f, -8}, {-1.5f, 1}, {-9, -5.5f}, {-9, -7}}, -0.2f, 0.4f, hull);
    for (float x : {-1.1f, 1.1f}) {
        body.twoSided({{x, 1, -9}, {x, 1, -5}, {x * 1.6f, 5, -8.5f}, {x * 1.6f, 5, -10}}, {}, coloured(170, 50, 40),
                      {x, 0, 0});
    }
    const int32_t root = model.add(body, -1, "fuselage", "", {});
    model.add(glowCard(3.2f, textured(1)), root, "afterburner", "$facing", {0, 0, -10.2f});
    // A slow barrel roll and a gentle bob, by key frames.
    model.rotationKey(root, 0, forward, 0);
    model.rotationKey(root, 15, forward, 180);
    model.rotationKey(root, 30, forward, 180);
    model.positionKey(root, 0, {0, 0, 0});
    model.positionKey(root, 15, {0, 1.5f, 0});
    model.positionKey(root, 30, {0, 0, 0});
    const int32_t left = model.gun(root, {-4, -0.2f, -3}, forward);
    const int32_t right = model.gun(root, {4, -0.2f, -3}, forward);
    model.battery({left, right}, {});
    return model.build(oof::version2200);
}

Bytes lighthouseModel() {
    DemoModel model({"hullplate", "beaconglow", "glass"});
    MeshBuilder tower;
    tower.latheY({{4.5f, -14}, {3.6f, -6}, {2.6f, 6}, {2.4f, 8}}, 12, textured(0, 2.0f));
    tower.latheY({{4.2f, 8}, {4.2f, 8.6f}}, 16, coloured(180, 60, 40));
    tower.latheY({{2.4f, 8.6f}, {2.4f, 11.5f}}, 12, textured(2, 1.0f, 0.5f), {}, false);
    tower.latheY({{2.8f, 11.5f}, {1.6f, 13}, {0, 14.2f}}, 12, coloured(180, 60, 40));
    for (int band = 0; band < 3; ++band) {
        const float y = -10 + static_cast<float>(band) * 6;
        tower.latheY({{4.5f - 0.3f * band - 0.35f * (y + 14) / 8, y}, {4.4f - 0.3f * band - 0.35f * (y + 14.8f) / 8, y + 0.8f}},
                     12, coloured(200, 60, 45), {}, false);
    }
    const int32_t root = model.add(tower, -1, "tower", "", {});

    MeshBuilder lamp;
    lamp.box({-0.6f, -0.6f, -0.6f}, {0.6f, 0.6f, 0.6f}, coloured(255, 220, 120));
    for (float side : {-1.0f, 1.0f}) {
        // A beam that fades out: its far corners have alpha 0.
        const int32_t a = lamp.vertex({0, -0.4f, side * 0.6f}, {0, 0, side}, 0.55f);
        const int32_t b = lamp.vertex({0, 0.4f, side * 0.6f}, {0, 0, side}, 0.55f);
        const int32_t c = lamp.vertex({0, 2.5f, side * 16}, {0, 0, side}, 0.0f);
        const int32_t d = lamp.vertex({0, -2.5f, side * 16}, {0, 0, side}, 0.0f);
        lamp.face({a, b, c, d}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, textured(2), {1, 0, 0});
        lamp.face({a, b, c, d}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, textured(2), {-1, 0, 0});
    }
    const int32_t turning = model.add(lamp, root, "lamp", "$rotate=3", {0, 10, 0});
    model.rotationKey(turning, 0, up, 0);
    model.rotationKey(turning, 1, up, 30);
    for (float side : {-1.0f, 1.0f}) model.add(glowCard(3.5f, textured(1)), turning, "lamp glow", "$facing", {0, 0, side * 1.2f});
    return model.build();
}
