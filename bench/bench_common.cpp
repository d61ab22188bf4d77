#include "bench_common.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "forge/demo_archive.h"
#include "forge/game_scale_archive.h"
#include "show/game_archive.h"
#include "show/opened_game.h"
#include "textures/texture.h"

namespace bench {

const std::filesystem::path& scratchDir() {
    static const std::filesystem::path dir = [] {
        char pattern[] = "/tmp/kvss-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::filesystem::path(made);
    }();
    return dir;
}

std::string writeScratch(const std::string& name, const HogWriter& archive) {
    const std::string path = (scratchDir() / name).string();
    archive.write(path);
    return path;
}

const std::string& demoPath() {
    static const std::string path = writeScratch("demo.hog", demoArchive());
    return path;
}

const std::string& gamePath() {
    static const std::string path = writeScratch("game.hog", gameScaleArchive());
    return path;
}

const std::string& carriersPath() {
    static const std::string path = writeScratch("carriers.hog", gameScaleArchive(3));
    return path;
}

const std::vector<DemoModel>& demoModels() {
    static const std::vector<DemoModel> models = [] {
        std::vector<DemoModel> found;
        HogFile archive(demoPath().c_str());
        for (const int32_t i : listModels(archive)) found.push_back({archive.entries[i].name, archive.entries[i].length});
        return found;
    }();
    return models;
}

const std::string& largestDemoModel() {
    const auto& models = demoModels();
    return std::max_element(models.begin(), models.end(),
                            [](const DemoModel& a, const DemoModel& b) { return a.length < b.length; })
        ->name;
}

void useArchive(const std::string& path) {
    static OpenedGame game;
    textureCache.clear();
    clearGameTable();
    game.use(path);
    game.readTable();
}

std::string rendererName = "unknown";
std::string glVersionName = "unknown";

std::unique_ptr<OffscreenSaver> startSaver(const Subject& subject, bool mipmap) {
    OffscreenSaver::Options options;
    options.archivePath = subject.archive;
    options.width = frameWidth * subject.monitors;
    options.height = frameHeight;
    if (subject.monitors > 1)
        for (int i = 0; i < subject.monitors; ++i)
            options.monitors.push_back({{i * frameWidth, 0, (i + 1) * frameWidth, frameHeight}, i == 0});
    options.model = subject.model;
    options.settings.mipmap = mipmap ? 1 : 0;
    if (subject.carriersInTurn) options.archivePath = carriersPath();
    auto saver = std::make_unique<OffscreenSaver>(options);
    Saver& cycle = saver->saver();
    cycle.setReadAhead(subject.readAhead);
    if (subject.carriersInTurn) cycle.pinModels({gameScaleModelNameOf(0), gameScaleModelNameOf(1)});
    saver->start();
    saver->tickOnce();
    if (subject.carriersInTurn) {
        // The first monitor's carrier goes on changing, and the second one's stays.
        if (subject.monitors > 1) cycle.pinModels({gameScaleModelNameOf(2), gameScaleModelNameOf(0)});
        cycle.shiftModelStart(1000);
        saver->tickOnce();
        cycle.finishReadingAhead();
    }
    glFinish();
    rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    glVersionName = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return saver;
}

std::string memoryRenderer;

bool compilesShaders() { return memoryRenderer.find("llvmpipe") != std::string::npos; }

}  // namespace bench
