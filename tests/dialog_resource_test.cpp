// kvss.rc's configuration dialog against the option table: the resource
// compiler cannot read the table, so the dialog's text is checked here.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "windows_framework/configure_dialog.h"
#include "options/settings.h"
#include "test_files.h"

namespace {
struct RcControl {
    std::string kind;  // COMBOBOX, AUTOCHECKBOX, LTEXT, ...
    std::string text;  // empty for a combo box
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string styles;  // what follows the position
};

// resource_ids.h's defines, with the two buttons' names that windows.h gives.
std::map<std::string, int> resourceIds(const std::string& header) {
    std::map<std::string, int> ids{{"IDOK", 1}, {"IDCANCEL", 2}, {"-1", -1}};
    const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it)
        ids[(*it)[1]] = std::stoi((*it)[2]);
    return ids;
}

// The controls of IDD_CONFIGURE in template order; an id the header lacks is -2.
std::vector<RcControl> dialogControls(const std::string& rc, const std::map<std::string, int>& ids) {
    const size_t dialog = rc.find("IDD_CONFIGURE DIALOG");
    const size_t begin = rc.find("\nBEGIN", dialog);
    const size_t end = rc.find("\nEND", begin);
    if (dialog == std::string::npos || begin == std::string::npos || end == std::string::npos) return {};
    const std::string body = rc.substr(begin + 6, end - begin - 6);
    const std::regex line(R"re(^\s*(\w+)\s+(?:"([^"]*)"\s*,\s*)?([\w-]+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)(.*))re");
    std::vector<RcControl> controls;
    size_t start = 0;
    while (start < body.size()) {
        size_t stop = body.find('\n', start);
        if (stop == std::string::npos) stop = body.size();
        std::smatch match;
        const std::string text = body.substr(start, stop - start);
        if (std::regex_search(text, match, line)) {
            const auto id = ids.find(match[3]);
            controls.push_back({match[1], match[2], id == ids.end() ? -2 : id->second, std::stoi(match[4]),
                                std::stoi(match[5]), std::stoi(match[6]), std::stoi(match[7]), match[8]});
        }
        start = stop + 1;
    }
    return controls;
}

class DialogResource : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string rc = slurp(KVSS_RC_PATH);
        // The resource's own numbers, and the controls' that it includes.
        const std::string header = slurp(RESOURCE_IDS_PATH) + slurp(CONTROL_IDS_PATH);
        ids = resourceIds(header);
        controls = dialogControls(rc, ids);
        ASSERT_FALSE(controls.empty()) << "no IDD_CONFIGURE dialog in " << KVSS_RC_PATH;
    }
    std::vector<const RcControl*> withId(int id) const {
        std::vector<const RcControl*> found;
        for (const RcControl& control : controls)
            if (control.id == id) found.push_back(&control);
        return found;
    }
    std::map<std::string, int> ids;
    std::vector<RcControl> controls;
};
}  // namespace

TEST_F(DialogResource, EachOptionOfTheTableHasItsControlWithItsLabel) {
    EXPECT_EQ(ids.at("IDD_CONFIGURE"), configureDialogId);
    for (const OptionInfo& option : optionTable) {
        if (option.control == 0) continue;
        const std::vector<const RcControl*> found = withId(option.control);
        ASSERT_EQ(found.size(), 1u) << option.name << ": control " << option.control << " in kvss.rc";
        const RcControl& control = *found[0];
        if (isFlag(option)) {
            EXPECT_EQ(control.kind, "AUTOCHECKBOX") << option.name;
            EXPECT_EQ(control.text, option.label) << option.name;
            continue;
        }
        if (isText(option)) {
            // A path too long for its place loses its middle, never its end.
            EXPECT_EQ(control.kind, "LTEXT") << option.name;
            EXPECT_NE(control.styles.find("SS_PATHELLIPSIS"), std::string::npos) << option.name;
        } else {
            EXPECT_EQ(control.kind, "COMBOBOX") << option.name;
        }
        // Its label is a static text on the same row.
        bool labelled = false;
        for (const RcControl& text : controls)
            labelled |= text.kind == "LTEXT" && text.text == std::string(option.label) + ":" && text.y >= control.y &&
                        text.y < control.y + 14;
        EXPECT_TRUE(labelled) << option.name << ": no LTEXT \"" << option.label << ":\" beside control " << option.control;
    }
}

TEST_F(DialogResource, EveryControlIsAnOptionOfTheTableOrAButtonOrALabel) {
    const std::map<int, std::string> gameRow{
        {control::gameSource, ""}, {control::browseGame, "Browse..."}, {control::findGame, "Find automatically"}};
    for (const RcControl& control : controls) {
        if (control.id == 1 || control.id == 2 || control.id == -1) continue;
        if (const auto own = gameRow.find(control.id); own != gameRow.end()) {
            EXPECT_EQ(control.text, own->second) << control.id;
            EXPECT_EQ(withId(control.id).size(), 1u) << control.id;
            continue;
        }
        bool inTable = false;
        for (const OptionInfo& option : optionTable) inTable |= option.control == control.id;
        EXPECT_TRUE(inTable) << control.kind << " \"" << control.text << "\" (" << control.id
                             << ") is no option of the table; -2 is a name resource_ids.h lacks";
    }
    ASSERT_EQ(withId(1).size(), 1u);
    EXPECT_EQ(withId(1)[0]->text, "OK");
    ASSERT_EQ(withId(2).size(), 1u);
    EXPECT_EQ(withId(2)[0]->text, "Cancel");
}

TEST(DialogResourceParser, ReadsControlsWithAndWithoutTextAndSpotsUnknownNames) {
    const std::map<std::string, int> ids = resourceIds("#define IDC_A 1000\n#define IDD_CONFIGURE 2003\n");
    const std::vector<RcControl> controls = dialogControls("IDD_CONFIGURE DIALOG 0, 0, 10, 10\nBEGIN\n"
                                                           "    COMBOBOX IDC_A, 68, 26, 58, 103, CBS_DROPDOWN\n"
                                                           "    LTEXT \"Speed:\", -1, 7, 28, 55, 8\n"
                                                           "    AUTOCHECKBOX \"Box\", IDC_B, 1, 2, 3, 4, WS_TABSTOP\n"
                                                           "END\n",
                                                           ids);
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].kind, "COMBOBOX");
    EXPECT_EQ(controls[0].id, 1000);
    EXPECT_EQ(controls[0].y, 26);
    EXPECT_EQ(controls[1].text, "Speed:");
    EXPECT_EQ(controls[1].id, -1);
    EXPECT_EQ(controls[2].id, -2);
    EXPECT_EQ(controls[2].height, 4);
    EXPECT_EQ(controls[2].styles, ", WS_TABSTOP");
}
