#pragma once

#include <cstddef>

class PolyModel;
struct ExportScene;

// What one model may make an exporter do. A model multiplies when it is
// exported: a rotation key that turns thousands of times becomes thousands
// of samples, a face corner some lines of text. So each export works out what
// it will write before it builds it, and past these bounds it is refused with
// one message and writes nothing. Real models are far inside them; a model
// file of 1 MB cannot take an export past them.

// Rotation samples of all of a model's tracks together, eight a turn. A game
// model of 40 animated subobjects with 9 keys each, every key turning three
// times, needs under 10 000: this leaves room for thirty times as many keys.
// 5 MB of samples in a .glb.
constexpr size_t maxExportRotationSamples = size_t{1} << 18;

// The bytes one export writes: the .glb or the .gltf, or the .obj with its
// .mtl and PNGs. A game-scale model writes 4 to 5 MB. An export's memory
// peaks at about five times what it writes, so this keeps it under 200 MB.
constexpr size_t maxExportBytes = size_t{32} << 20;

// The bytes of one export, counted against maxExportBytes.
class ExportBudget {
public:
    // Throws "Model too large to export" once the bytes charged pass the bound.
    void charge(double bytes);
    double charged() const { return charged_; }

private:
    double charged_ = 0.0;
};

// The most a glTF export of the model writes besides its PNG images, from the
// model and its collected scene (which are no larger than a few times the
// model file), before anything of the export is built. Throws "Rotation keys
// turn too far to export" for more than maxExportRotationSamples.
double gltfBytesBound(const PolyModel& model, const ExportScene& scene, bool binary);
// The bytes a PNG of `pngBytes` adds to a glTF file: padded, and in a .gltf in base64.
double gltfImageBytes(size_t pngBytes, bool binary);

// The most an OBJ export writes besides its PNG images (.obj and .mtl),
// `baseNameLength` being the length of the base name it is given.
double objBytesBound(const PolyModel& model, const ExportScene& scene, size_t baseNameLength);
