#pragma once

#include <cstdint>

class InFile;

struct ParameterDescriptor {
    const char* label;
    float minimum;
    float maximum;
    bool integer;  // the value is floored to a whole number
};

// One row of the property table: the tag that selects it and what its numbers mean.
struct PropertyDescriptor {
    const char* tag;         // compared without regard to case; empty for None
    const char* scanFormat;  // scanf-style, applied right after the tag, up to four floats
    int32_t parameterCount;
    int32_t textValueCount;
    bool turnsSubobject;     // $facing, $rotate, $fov
    const char* label;
    ParameterDescriptor parameters[4];
};

constexpr int32_t propertyKindCount = 13;
// Indexed by kind; the order is fixed (the kind numbers are what the renderer tests).
extern const PropertyDescriptor propertyDescriptors[propertyKindCount];

// A subobject's special behaviour: a kind and up to four numbers from its
// property text. The text itself is not kept.
class SubobjectProperty {
public:
    // The kinds, as rows of the table.
    enum Kind : int32_t {
        none = 0,
        glow = 1,
        custom = 2,
        facing = 3,
        rotate = 4,
        fov = 5,
        shell = 6,
        frontFace = 7,
        jitter = 8,
        monitor = 9,
        viewer = 10,
        layer = 11,
        thruster = 12,
    };

    SubobjectProperty() = default;
    // Reads a 32-bit length and that many bytes of text, and parses them.
    explicit SubobjectProperty(InFile& stream);

    // Sets the kind and the values from `text` (NUL-terminated); never fails.
    void parseProperty(const char* text);

    int32_t kind() const { return kind_; }
    // values[i] clamped to the range of the kind's parameter i, floored for
    // whole-number parameters; 0 for a parameter the kind does not describe.
    float parameterValue(int32_t i) const;

    // As scanned; -1 where the text gave nothing.
    float values[4] = {-1.0f, -1.0f, -1.0f, -1.0f};

private:
    int32_t kind_ = none;
};
