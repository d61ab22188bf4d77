// The saver left running: a thousand model changes over the demo archive with
// wireframe, mirror and overlay on, on the offscreen saver's simulated clock.
// After every change the only cached textures are those that the current
// model, the model read ahead and the reflection layer hold, the only live
// OpenGL texture names are theirs, and the resident
// memory does not grow. Under AddressSanitizer, LeakSanitizer checks at exit.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "forge/demo_archive.h"
#include "offscreen/offscreen_saver.h"
#include "model/poly_model.h"
#include "test_files.h"
#include "textures/texture.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
// Freed blocks wait in AddressSanitizer's quarantine; a small one keeps the
// resident size a measure of what the saver holds rather than of the quarantine.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4:thread_local_quarantine_size_kb=64"; }
#endif
#endif

namespace {

constexpr int changes = 1000;

long residentPages() {
    long size = 0, resident = 0;
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return -1;
    if (std::fscanf(file, "%ld %ld", &size, &resident) != 2) resident = -1;
    std::fclose(file);
    return resident;
}

void addTextures(const PolyModel& model, std::set<const Texture*>& held) {
    for (auto* node : model.allSubobjects->as<RefNode<Subobject>>())
        for (Face* face : node->target->faces.as<Face>())
            if (face->textured && face->texture) held.insert(face->texture->texture);
}

// The textures held by the current model's faces, by the model read ahead
// (once its reader is done) and by the reflection layer.
std::set<const Texture*> heldTextures(Saver& saver) {
    std::set<const Texture*> held;
    if (saver.show().hasModel()) addTextures(*saver.show().model(), held);
    if (const PolyModel* ahead = saver.finishReadingAhead().model()) addTextures(*ahead, held);
    if (reflectionTexture.ref) held.insert(reflectionTexture.ref->texture);
    return held;
}

}  // namespace

TEST(SaverSoak, AThousandModelChangesKeepOnlyTheCurrentTexturesAndNoMemory) {
    // Mesa's llvmpipe keeps compiled shader variants on the heap and its
    // resident size wanders by tens of megabytes with them; softpipe compiles
    // nothing, so what the resident size shows is the saver's own memory.
    setenv("GALLIUM_DRIVER", "softpipe", 0);
    TempDir dir;
    OffscreenSaver::Options options;
    options.archivePath = dir.write("demo.hog", demoArchive().build());
    options.width = 32;
    options.height = 24;
    options.seed = 7;
    options.settings.object_time_index = 0;  // 5 seconds
    options.settings.wireframe = 1;
    options.settings.mirror = 1;
    options.settings.show_fps = 1;
    OffscreenSaver run(options);
    run.start();
    Saver& saver = run.saver();

    // Names live in the context that belong to no cached texture (none are
    // expected, but the host may keep some): taken once, they must not change.
    std::set<GLuint> hostNames;
    bool haveHostNames = false;
    GLuint highestName = 0;
    long tenth = 0;
    int changesSeen = 0;
    std::set<std::string> namesShown;

    run.runUntil(0.0f, false);
    while (changesSeen < changes) {
        // Up to shortly before the change without drawing, then drawn ticks until it comes.
        const int32_t before = saver.modelChanges();
        run.runUntil(4.9f, false);
        while (saver.modelChanges() == before) run.tickOnce();
        ++changesSeen;
        ASSERT_TRUE(saver.show().hasModel());
        namesShown.insert(saver.show().name() ? saver.show().name() : "");

        const std::set<const Texture*> held = heldTextures(saver);
        std::set<GLuint> expected;
        for (Texture* texture : textureCache.as<Texture>()) {
            ASSERT_TRUE(held.count(texture)) << "change " << changesSeen << ": texture '" << texture->name
                                             << "' outlived the models that used it";
            for (int32_t i = 0; i < texture->frameCount; ++i) {
                const GLuint name = texture->frames[i].glName;
                if (name == 0) continue;
                ASSERT_TRUE(glIsTexture(name)) << "change " << changesSeen << ": " << texture->name << " frame " << i;
                expected.insert(name);
                if (name > highestName) highestName = name;
            }
        }
        std::set<GLuint> live;
        for (GLuint name = 1; name <= highestName + 256; ++name)
            if (glIsTexture(name)) live.insert(name);
        std::set<GLuint> others;
        for (GLuint name : live)
            if (!expected.count(name)) others.insert(name);
        if (!haveHostNames) {
            hostNames = others;
            haveHostNames = true;
        }
        ASSERT_EQ(others, hostNames) << "change " << changesSeen << ": texture names left behind";
        ASSERT_EQ(live.size(), expected.size() + hostNames.size()) << "change " << changesSeen;

        if (changesSeen == 10) tenth = residentPages();
    }
    const long last = residentPages();
    ASSERT_GT(tenth, 0);
    EXPECT_LE(last, tenth + tenth / 20) << "resident pages after change 10: " << tenth << ", after " << changes << ": " << last;
    EXPECT_GT(namesShown.size(), 3u);  // the random choice went round the archive
    std::printf("soak: %d changes, %zu models, resident pages %ld after change 10 and %ld after the last, %zu host texture names\n",
                changes, namesShown.size(), tenth, last, hostNames.size());
}
