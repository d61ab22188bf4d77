// The saver with the next model read ahead: the same models, random numbers
// and pixels as when each is read in its turn, a broken model failing in its
// own turn, and a reader that stops when the saver closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "forge/bitmap_writer.h"
#include "forge/demo_archive.h"
#include "forge/hog_writer.h"
#include "model/poly_model.h"
#include "saver_fixture.h"

namespace {

// What one tick left: every monitor's model, the generator, the picture.
struct Step {
    std::vector<std::string> names;
    uint32_t random = 0;
    std::vector<uint8_t> pixels;
    bool operator==(const Step&) const = default;
};

class ReadAhead : public SaverFixture {
protected:
    // Ticks 1.7 s apart, so that the monitors' models change in turn. With
    // `waitForReader` the reader is done before each tick, else a change
    // often finds it part way.
    std::vector<Step> run(bool readAhead, std::vector<Monitor> monitors, bool waitForReader) {
        platform.monitorList = std::move(monitors);
        platform.clock = {1000, 0};
        Settings settings;
        settings.object_time_index = 0;
        settings.wireframe = 1;
        saver = std::make_unique<Saver>(platform);
        saver->setReadAhead(readAhead);
        saver->useSettings(settings);
        platform.archive = dir.write("kv.hog", demoArchive().build());
        saver->onCreate();
        std::vector<Step> steps;
        for (int tick = 0; tick < 40; ++tick) {
            const char* predicted = nullptr;
            bool readWhole = false;
            if (waitForReader) {
                const ModelAhead& ahead = saver->finishReadingAhead();
                predicted = ahead.name();
                readWhole = ahead.model() != nullptr;
                expectEachBitmapCachedOnce(tick);
            }
            const int32_t changesBefore = saver->modelChanges();
            saver->onTimer();
            Step step;
            for (int32_t s = 0; s < saver->showCount(); ++s) step.names.push_back(saver->show(s).name());
            step.random = saver->randomState();
            step.pixels = platform.context->readPixels();
            steps.push_back(std::move(step));
            // The model that came up is the one read ahead, read whole.
            if (waitForReader && tick > 0 && saver->modelChanges() > changesBefore) {
                EXPECT_TRUE(readWhole) << "tick " << tick;
                const auto& names = steps.back().names;
                EXPECT_NE(std::find(names.begin(), names.end(), std::string(predicted ? predicted : "")), names.end())
                    << "tick " << tick;
            }
            platform.advance(1700);
        }
        saver->onDestroy();
        saver.reset();
        return steps;
    }

    // A bitmap that the models on screen and the model ahead share is decoded once.
    void expectEachBitmapCachedOnce(int tick) {
        std::set<std::string> names;
        for (const Texture* texture : textureCache.as<Texture>())
            EXPECT_TRUE(names.insert(foldedName(texture->name)).second) << texture->name << " at tick " << tick;
    }
};

const std::vector<Monitor> oneMonitor = {};
const std::vector<Monitor> twoMonitors = {{{0, 0, 32, 48}, true}, {{32, 0, 64, 48}, false}};

TEST_F(ReadAhead, TheSameModelsRandomNumbersAndPixelsOnOneMonitorAndTwo) {
    for (const auto& monitors : {oneMonitor, twoMonitors}) {
        const std::vector<Step> inTurn = run(false, monitors, false);
        EXPECT_EQ(run(true, monitors, true), inTurn) << monitors.size() << " monitors, the reader done before each change";
        EXPECT_EQ(run(true, monitors, false), inTurn) << monitors.size() << " monitors, changes that find the reader at work";
    }
}

TEST_F(ReadAhead, TheTicksBeforeAChangeSendTheNextModelUpWithItsFaceArrays) {
    start(demoArchive().build());
    saver->onTimer();  // the first model, then the reader starts
    saver->finishReadingAhead();
    saver->onTimer();  // a steady tick: its spare time uploads
    const PolyModel* next = saver->finishReadingAhead().model();
    ASSERT_NE(next, nullptr);
    int textured = 0;
    for (const RefNode<Subobject>* node : next->allSubobjects->as<RefNode<Subobject>>()) {
        const Subobject& subobject = *node->target;
        if (subobject.faces.first == nullptr) continue;
        EXPECT_NE(subobject.drawing, nullptr) << subobject.name;
        for (const Face* face : subobject.faces.as<Face>()) {
            if (!face->textured) continue;
            ++textured;
            const Texture& texture = *face->texture->texture;
            for (int32_t i = 0; i < texture.frameCount; ++i)
                EXPECT_NE(texture.frames[i].glName, 0u) << texture.name << " frame " << i;
        }
    }
    EXPECT_GT(textured, 0);
}

// Seconds (the generator's seed) at which the first of two models comes up
// first and the second one next.
uint32_t seedShowingFirstThenSecond() {
    for (uint32_t seed = 1;; ++seed) {
        SaverRandom random;
        random.seed(seed);
        if (random.next() % 2 != 0) continue;
        for (int drift = 0; drift < 6; ++drift) random.next();
        if (random.next() % 2 == 1) return seed;
    }
}

TEST_F(ReadAhead, ABrokenNextModelFailsAtItsChangeWithItsMessage) {
    platform.clock = {static_cast<int32_t>(seedShowingFirstThenSecond()), 0};
    start(HogWriter().add("a.oof", animatedModel(4)).add("b.oof", Bytes{'P', 'S', 'P', 'O', 1, 2, 3, 4}).build());
    saver->onTimer();
    const ModelAhead& ahead = saver->finishReadingAhead();
    EXPECT_STREQ(ahead.name(), "b.oof");
    EXPECT_EQ(ahead.model(), nullptr);
    // The model on screen goes on until its time is up.
    platform.advance(5000);
    EXPECT_NO_THROW(saver->onTimer());
    EXPECT_STREQ(saver->show().name(), "a.oof");
    platform.advance(11000);
    expectMessage("Unsupported OOF version", [&] { saver->onTimer(); });
}

// A model of one face whose bitmap takes a while to decode and mipmap.
Bytes slowModel() {
    DemoModel model({"slow"});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, textured(0));
    model.add(box, -1, "box", "", {});
    return model.build();
}

Bytes slowBitmap() {
    constexpr uint16_t side = 2000;  // not a power of two: resized before it is halved
    std::vector<uint16_t> pixels(size_t{side} * side);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    return OgfImage::fromPixels(side, side, ogfArgb4444, pixels).bytes();
}

TEST_F(ReadAhead, ClosingTheSaverStopsTheReaderPartWayAndLeavesNothing) {
    platform.clock = {static_cast<int32_t>(seedShowingFirstThenSecond()), 0};
    start(HogWriter().add("a.oof", animatedModel(4)).add("slow.oof", slowModel()).add("slow.ogf", slowBitmap()).build());
    saver->onTimer();
    saver->onDestroy();
    const ModelAhead& ahead = saver->finishReadingAhead();
    EXPECT_TRUE(ahead.stoppedPartWay());
    EXPECT_EQ(ahead.model(), nullptr);
    EXPECT_EQ(findTexture("slow"), nullptr);
}

}  // namespace
