#include "model_pictures.h"

#include <algorithm>
#include <memory>

#include "data/hog_file.h"
#include "tool_support.h"

std::vector<std::string> archiveModelNames(const std::string& archive) {
    const OpenedGame& game = withModels(openGame(archive));
    std::vector<std::string> models;
    for (int32_t i = 0; i < game.modelCount(); ++i) models.push_back(game.modelName(i));
    return models;
}

std::vector<uint8_t> blankSheet(int width, int height) {
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < sheet.size(); i += 4) sheet[i] = sheet[i + 1] = sheet[i + 2] = 24, sheet[i + 3] = 255;
    return sheet;
}

void pasteInto(std::vector<uint8_t>& sheet, int sheetWidth, int left, int top, const std::vector<uint8_t>& picture,
               int width, int height) {
    for (int y = 0; y < height; ++y)
        std::copy_n(&picture[static_cast<size_t>(y) * width * 4], width * 4,
                    &sheet[(static_cast<size_t>(top + y) * sheetWidth + left) * 4]);
}

std::vector<uint8_t> drawModelPicture(const OffscreenSaver::Options& run, float seconds) {
    OffscreenSaver saver(run);
    saver.start();
    saver.runUntil(seconds, false);
    return saver.pixels();
}
