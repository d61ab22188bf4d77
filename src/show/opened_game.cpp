#include "show/opened_game.h"

#include "data/game_table.h"
#include "data/hog_file.h"
#include "render/draw_frame.h"
#include "seam/saver_platform.h"
#include "show/game_archive.h"
#include "show/show_options.h"
#include "textures/texture.h"

void OpenedGame::open(SaverPlatform& platform) {
    const std::optional<std::string> archivePath = platform.gameArchivePath();
    if (!archivePath) platform.fatal(notInstalledMessage);
    use(*archivePath);
    if (models_.empty()) platform.fatal(noModelsMessage);
}

void OpenedGame::use(const std::string& archivePath) {
    path_ = archivePath;
    models_ = listModels(useGameArchive(archivePath.c_str()));
}

void OpenedGame::findMultitexture(SaverPlatform& platform, bool wanted) {
    setActiveTextureFunction(wanted ? platform.glProcAddress("glActiveTextureARB") : nullptr);
}

void OpenedGame::readTable() const { loadGameTable(gameTableName); }

void OpenedGame::nameReflection() const { reflectionTexture.setName(reflectionTextureName); }

HogFile& OpenedGame::archive() const { return gameArchive(); }

const char* OpenedGame::modelName(int32_t position) const { return archive().entries[models_[position]].name; }

int32_t OpenedGame::find(const char* name) const { return findModel(archive(), models_, name); }
