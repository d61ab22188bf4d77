#include "show/model_show.h"

#include <GL/gl.h>

#include <utility>

#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/frame_pixels.h"
#include "render/render_mode.h"
#include "show/game_archive.h"
#include "camera/viewer.h"

ModelShow::~ModelShow() { release(); }

void ModelShow::release() {
    delete model_;
    model_ = nullptr;
    delete camera_;
    camera_ = nullptr;
}

void ModelShow::startPut(const char* entryName) {
    release();
    name_ = entryName;
    frame_ = 0.0f;
    wireframe_ = false;
    for (float& rate : driftRates_) rate = 0.0f;
}

void ModelShow::put(HogFile& archive, const char* entryName) {
    startPut(entryName);
    model_ = readModelEntry(archive, entryName);
    camera_ = static_cast<ModelViewer*>(model_->createViewer());
}

void ModelShow::put(const char* entryName, PolyModel* model) {
    startPut(entryName);
    model_ = model;
    camera_ = static_cast<ModelViewer*>(model_->createViewer());
}

void ModelShow::startClock(const TimeStamp& now) {
    start_ = now;
    frame_ = 0.0f;
    animation_.restart(now, model_ != nullptr ? static_cast<float>(model_->keyFrameExtent()) : 0.0f);
}

float ModelShow::animate(const TimeStamp& now, float keyFramesPerSecond) {
    frame_ = animation_.frameAt(now, keyFramesPerSecond);
    return frame_;
}

void ModelShow::holdFrame(float frame, bool forward) {
    frame_ = frame;
    animation_.forward = forward;
}

void ModelShow::resume(const TimeStamp& now) { animation_.resume(now, frame_, animation_.forward); }

void ModelShow::setDrift(const float (&rates)[driftRateCount]) {
    for (int i = 0; i < driftRateCount; ++i) driftRates_[i] = rates[i];
}

void ModelShow::drift() {
    camera_->dolly(driftRates_[dolly]);
    camera_->roll(driftRates_[roll]);
    camera_->yaw(driftRates_[yaw]);
    camera_->pitch(driftRates_[pitch]);
    camera_->orbitVertical(driftRates_[orbitVertical]);
    camera_->orbitHorizontal(driftRates_[orbitHorizontal]);
}

void ModelShow::draw(const ClientRect& area, const ClientRect& window, float seconds, const char* overlaySuffix,
                     FpsCounter* rate) const {
    // OpenGL counts from the window's bottom left corner.
    const int32_t left = area.left - window.left;
    const int32_t bottom = window.bottom - area.bottom;
    // A frame clears all it may draw into: in a part of the window, only that part.
    const bool part = !(area == window);
    if (part) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(left, bottom, area.width(), area.height());
    }
    if (model_ != nullptr) {
        camera_->viewportLeft = left;
        camera_->viewportBottom = bottom;
        camera_->setupView(area.width(), area.height());
        if (wireframe_) renderState.setWireframe();
        else renderState.setSolid();
        model_->drawFrame(renderState, frame_, seconds, rate != nullptr ? *rate : fpsCounter);
        if (renderMode.showText) drawText(" object '%s'%s", name_, overlaySuffix);
    } else {
        drawBlankFrame(area.width(), area.height());
    }
    if (part) glDisable(GL_SCISSOR_TEST);
}
