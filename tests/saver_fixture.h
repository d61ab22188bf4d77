#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "data/kv_path.h"
#include "forge/demo_shapes.h"
#include "saver/saver.h"
#include "test_files.h"
#include "test_platform.h"
#include "textures/texture.h"

// A one-subobject model whose position keys end at `lastFrame` (none for 0):
// from 0 when it is positive, from 4 frames earlier when it is negative.
inline Bytes animatedModel(int32_t lastFrame) {
    DemoModel model({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(200, 100, 50));
    const int32_t root = model.add(box, -1, "box", "", {});
    if (lastFrame != 0) {
        model.positionKey(root, lastFrame > 0 ? 0 : lastFrame - 4, {0, 0, 0});
        model.positionKey(root, lastFrame, {1, 0, 0});
    }
    return model.build();
}

// The saver on the test platform (a scripted clock, a real headless context),
// given an archive and its options.
class SaverFixture : public ::testing::Test {
protected:
    void TearDown() override {
        if (platform.context) platform.context->makeCurrent();
        saver.reset();
        reflectionTexture.clear();
        searchPath.reset(0);
    }

    void start(const Bytes& archive, Settings settings = {}) {
        platform.archive = dir.write("kv.hog", archive);
        saver = std::make_unique<Saver>(platform);
        saver->useSettings(settings);
        saver->onCreate();
    }

    TempDir dir;
    TestPlatform platform;
    std::unique_ptr<Saver> saver;
};
