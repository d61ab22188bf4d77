#include "render/render_mode.h"

RenderMode renderMode;
RenderState renderState(&renderMode);
