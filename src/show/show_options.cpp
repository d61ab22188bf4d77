#include "show/show_options.h"

#include <cstdio>

#include "render/render_mode.h"

float animationSpeedOf(int32_t index) {
    float speed = 0.0f;
    std::sscanf(animSpeedChoices[index], "%f", &speed);
    return speed;
}

void applyShowOptions(Settings& settings) {
    settings.object_time_index = clampChoice(settings.object_time_index, objectTimeChoiceCount);
    settings.anim_speed_index = clampChoice(settings.anim_speed_index, animSpeedChoiceCount);
    settings.monitors = clampChoice(settings.monitors, monitorChoiceCount);
    renderMode.showText = settings.show_fps != 0;
    renderMode.animationSpeed = animationSpeedOf(settings.anim_speed_index);
    renderMode.bilinear = settings.bilinear != 0;
    renderMode.mipmap = settings.mipmap != 0;
    renderMode.reflection = settings.mirror != 0;
}
