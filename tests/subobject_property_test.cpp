#include <gtest/gtest.h>

#include <string>

#include "data/in_file.h"
#include "forge/byte_writer.h"
#include "model/subobject_property.h"
#include "test_files.h"

namespace {
SubobjectProperty parsed(const char* text) {
    SubobjectProperty property;
    property.parseProperty(text);
    return property;
}

void expectValues(const SubobjectProperty& property, float a, float b, float c, float d) {
    EXPECT_FLOAT_EQ(property.values[0], a);
    EXPECT_FLOAT_EQ(property.values[1], b);
    EXPECT_FLOAT_EQ(property.values[2], c);
    EXPECT_FLOAT_EQ(property.values[3], d);
}
}  // namespace

TEST(PropertyParsing, TextWithoutAKnownTagIsNone) {
    for (const char* text : {"", "no dollar here", "$unknown=3", "$"}) {
        const SubobjectProperty property = parsed(text);
        EXPECT_EQ(property.kind(), SubobjectProperty::none) << text;
        expectValues(property, -1, -1, -1, -1);
    }
}

TEST(PropertyParsing, TagsMatchFromTheFirstDollarIgnoringCase) {
    const SubobjectProperty rotate = parsed("subsystem $rotate=2.5");
    EXPECT_EQ(rotate.kind(), SubobjectProperty::rotate);
    EXPECT_FLOAT_EQ(rotate.parameterValue(0), 2.5f);
    EXPECT_EQ(parsed("$ROTATE=2").kind(), SubobjectProperty::rotate);
    EXPECT_EQ(parsed("$rotate_fast").kind(), SubobjectProperty::rotate);  // a prefix is enough
    EXPECT_EQ(parsed("$layer $rotate=1").kind(), SubobjectProperty::layer);
    const SubobjectProperty thruster = parsed("$Thruster=1,0.5,0,10");
    EXPECT_EQ(thruster.kind(), SubobjectProperty::thruster);
    expectValues(thruster, 1, 0.5f, 0, 10);
}

TEST(PropertyParsing, ScanningStopsAtTheFirstMismatch) {
    const SubobjectProperty spaced = parsed("$rotate 5");
    EXPECT_EQ(spaced.kind(), SubobjectProperty::rotate);
    EXPECT_FLOAT_EQ(spaced.values[0], -1.0f);
    EXPECT_FLOAT_EQ(spaced.parameterValue(0), 0.01f);

    const SubobjectProperty partial = parsed("$glow=0.5,0.25;1,1");
    expectValues(partial, 0.5f, 0.25f, -1, -1);

    const SubobjectProperty fov = parsed("$fov=90,4,1");
    EXPECT_EQ(fov.kind(), SubobjectProperty::fov);
    expectValues(fov, 90, 4, 1, -1);
    EXPECT_FLOAT_EQ(fov.parameterValue(3), 0.0f);  // never in the text: its minimum
}

TEST(PropertyValues, AreClampedToTheirRangeAndFlooredWhenWhole) {
    EXPECT_FLOAT_EQ(parsed("$rotate=100").parameterValue(0), 20.0f);
    EXPECT_FLOAT_EQ(parsed("$monitor03").parameterValue(0), 3.0f);
    EXPECT_FLOAT_EQ(parsed("$monitor9.7").parameterValue(0), 8.0f);  // clamped, not floored
    EXPECT_FLOAT_EQ(parsed("$monitor2.9").parameterValue(0), 2.0f);
    EXPECT_FLOAT_EQ(parsed("$monitor").parameterValue(0), 1.0f);

    const SubobjectProperty glow = parsed("$glow=-3,2,0.5,5000");
    EXPECT_FLOAT_EQ(glow.parameterValue(0), 0.0f);
    EXPECT_FLOAT_EQ(glow.parameterValue(1), 1.0f);
    EXPECT_FLOAT_EQ(glow.parameterValue(2), 0.5f);
    EXPECT_FLOAT_EQ(glow.parameterValue(3), 1000.0f);

    // Slots a kind does not describe are 0 whatever was scanned.
    EXPECT_FLOAT_EQ(parsed("$rotate=3").parameterValue(1), 0.0f);
    EXPECT_FLOAT_EQ(parsed("$facing").parameterValue(0), 0.0f);
    // A NaN in the text counts as not given.
    EXPECT_FLOAT_EQ(parsed("$rotate=nan").parameterValue(0), 0.01f);
}

TEST(PropertyReading, ReadsItsTextFromTheStreamWithinTheWindow) {
    TempDir dir;
    ByteWriter bytes;
    bytes.lstring("engine $rotate=4").s32(77);
    const std::string path = dir.write("property", bytes.bytes());
    StdioInFile file(path.c_str());
    const SubobjectProperty property(file);
    EXPECT_EQ(property.kind(), SubobjectProperty::rotate);
    EXPECT_FLOAT_EQ(property.parameterValue(0), 4.0f);
    EXPECT_EQ(readS32(file), 77);  // exactly the text was read

    // A length that the window cannot hold, or a negative one, is refused before
    // anything is allocated for it.
    for (int32_t length : {-1, 1000, INT32_MAX}) {
        ByteWriter hostile;
        hostile.s32(length).raw("$rotate=1");
        const std::string hostilePath = dir.write("hostile", hostile.bytes());
        StdioInFile outer(hostilePath.c_str());
        LimitedInFile window(outer, static_cast<int32_t>(hostile.size()));
        try {
            SubobjectProperty refused(window);
            ADD_FAILURE() << "length " << length << " was accepted";
        } catch (Message m) {
            EXPECT_STREQ(m, "Tried to read past limit");
        }
    }
}
