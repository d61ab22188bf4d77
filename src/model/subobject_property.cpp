#include "model/subobject_property.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/in_file.h"

namespace {
constexpr ParameterDescriptor unused{"", 0.0f, 0.0f, false};
constexpr ParameterDescriptor red{"red", 0.0f, 1.0f, false};
constexpr ParameterDescriptor green{"green", 0.0f, 1.0f, false};
constexpr ParameterDescriptor blue{"blue", 0.0f, 1.0f, false};
constexpr ParameterDescriptor size{"size", 0.0f, 1000.0f, false};
}  // namespace

const PropertyDescriptor propertyDescriptors[propertyKindCount] = {
    {"", "", 0, 0, false, "None", {unused, unused, unused, unused}},
    {"$glow", "=%f,%f,%f,%f", 4, 4, false, "Glow/thruster", {red, green, blue, size}},
    {"$custom", "", 0, 0, false, "Custom ship logo", {unused, unused, unused, unused}},
    {"$facing", "", 0, 0, true, "Facing", {unused, unused, unused, unused}},
    {"$rotate", "=%f", 1, 1, true, "Rotate", {{"Seconds per rotation", 0.01f, 20.0f, false}, unused, unused, unused}},
    {"$fov",
     "=%f,%f,%f",
     4,
     3,
     true,
     "Turret",
     {{"Range of motion (degrees)", 0.0f, 180.0f, false},
      {"Seconds per rotation", 0.01f, 60.0f, false},
      {"Reaction time (seconds)", 0.0f, 10.0f, false},
      {"Weapon battery", 0.0f, 20.0f, true}}},
    {"$shell", "", 0, 0, false, "Door shell", {unused, unused, unused, unused}},
    {"$frontface", "", 0, 0, false, "Door front face", {unused, unused, unused, unused}},
    {"$jitter", "", 0, 0, false, "Jitter", {unused, unused, unused, unused}},
    {"$monitor", "%f", 1, 1, false, "Monitor", {{"Monitor #", 1.0f, 8.0f, true}, unused, unused, unused}},
    {"$viewer", "", 0, 0, false, "Viewer", {unused, unused, unused, unused}},
    {"$layer", "", 0, 0, false, "Layer", {unused, unused, unused, unused}},
    {"$thruster", "=%f,%f,%f,%f", 4, 4, false, "Glow/thruster", {red, green, blue, size}},
};

namespace {
// ASCII only: tags are plain ASCII, and the C library's case folding would
// depend on the locale.
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(const char* text, const char* tag) {
    for (; *tag != 0; ++text, ++tag) {
        if (*text == 0 || lower(*text) != lower(*tag)) return false;
    }
    return true;
}
}  // namespace

SubobjectProperty::SubobjectProperty(InFile& stream) {
    const int32_t length = readS32(stream);
    // The length comes from the file: it must fit in what the chunk still holds.
    if (length < 0 || length > stream.size() - stream.tell()) fail("Tried to read past limit");
    std::unique_ptr<char[]> text(new char[static_cast<size_t>(length) + 1]);
    std::memset(text.get(), 0, static_cast<size_t>(length) + 1);
    stream.read(text.get(), length);
    parseProperty(text.get());
}

void SubobjectProperty::parseProperty(const char* text) {
    const char* dollar = std::strchr(text, '$');
    const char* rest = dollar != nullptr ? dollar : "";
    for (float& value : values) value = -1.0f;
    kind_ = none;
    for (int32_t kind = 0; kind < propertyKindCount; ++kind) {
        const PropertyDescriptor& row = propertyDescriptors[kind];
        const bool matches = row.tag[0] == 0 ? rest[0] == 0 : startsWithIgnoringCase(rest, row.tag);
        if (!matches) continue;
        kind_ = kind;
        // Every format stores at most four floats; the ones it does not reach stay -1.
        if (row.scanFormat[0] != 0) {
            std::sscanf(rest + std::strlen(row.tag), row.scanFormat, &values[0], &values[1], &values[2], &values[3]);
        }
        return;
    }
}

float SubobjectProperty::parameterValue(int32_t i) const {
    if (i < 0 || i > 3) return 0.0f;
    const ParameterDescriptor& parameter = propertyDescriptors[kind_].parameters[i];
    const float v = values[i];
    // Written as "not at least the minimum" so that a NaN scanned from "nan"
    // counts as not given and yields the minimum.
    if (!(v >= parameter.minimum)) return parameter.minimum;
    if (v > parameter.maximum) return parameter.maximum;
    return parameter.integer ? std::floor(v) : v;
}
