// The kvss.xml the build writes from the option table, read as xscreensaver
// reads it: each widget's arguments, run through kvss's own command line, must
// give the choice or the state it shows.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "options/command_line.h"
#include "test_files.h"

namespace {
struct XmlChoice {
    std::string id, label, argSet;
};
struct XmlWidget {
    std::string kind;  // "select", "boolean" or "string"
    std::string id, label, argSet, argUnset, arg;
    std::vector<XmlChoice> choices;
};

std::string attribute(const std::string& element, const std::string& name) {
    std::smatch match;
    return std::regex_search(element, match, std::regex("\\s" + name + "=\"([^\"]*)\"")) ? match[1].str() : "";
}

// The selects and booleans in file order.
std::vector<XmlWidget> widgets(const std::string& xml) {
    std::vector<XmlWidget> found;
    const std::regex element(R"(<(/?)(select|option|boolean|string)\b[^>]*>)");
    for (std::sregex_iterator it(xml.begin(), xml.end(), element), end; it != end; ++it) {
        const std::string text = it->str();
        const std::string kind = (*it)[2];
        if ((*it)[1] == "/") continue;
        if (kind == "option") {
            if (found.empty() || found.back().kind != "select") return {};  // an option outside a select
            found.back().choices.push_back({attribute(text, "id"), attribute(text, "_label"), attribute(text, "arg-set")});
        } else {
            found.push_back({kind, attribute(text, "id"), attribute(text, "_label"), attribute(text, "arg-set"),
                             attribute(text, "arg-unset"), attribute(text, "arg"), {}});
        }
    }
    return found;
}

// Settings{} with `arguments` ("--anim-speed 20") given to kvss.
Settings withArguments(const std::string& arguments) {
    std::vector<std::string> words{"kvss"};
    for (size_t start = 0; start < arguments.size();) {
        const size_t space = arguments.find(' ', start);
        words.push_back(arguments.substr(start, space - start));
        start = space == std::string::npos ? arguments.size() : space + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    std::string help;
    Settings settings;
    parseKvssOptions(static_cast<int>(argv.size()), argv.data(), nullptr, help).applyTo(settings);
    return settings;
}
}  // namespace

TEST(KvssXml, EveryOptionOfKvssIsAWidgetWhoseArgumentsGiveWhatItShows) {
    const std::string xml = slurp(KVSS_XML_PATH);
    ASSERT_EQ(xml.rfind("<?xml", 0), 0u);
    EXPECT_NE(xml.find("<screensaver name=\"kvss\""), std::string::npos);
    EXPECT_NE(xml.find("</screensaver>"), std::string::npos);
    EXPECT_EQ(xml.find('@'), std::string::npos) << "a template line left in";
    const std::vector<XmlWidget> found = widgets(xml);

    size_t next = 0;
    for (const OptionInfo& option : optionTable) {
        if ((option.programs & inKvss) == 0) continue;
        ASSERT_LT(next, found.size()) << option.name << " has no widget";
        const XmlWidget& widget = found[next++];
        SCOPED_TRACE(option.name);
        if (isText(option)) {
            EXPECT_EQ(widget.kind, "string");
            EXPECT_EQ(widget.label, option.label);
            std::string argument = widget.arg;
            ASSERT_NE(argument.find(" %"), std::string::npos) << argument;
            argument.replace(argument.find('%'), 1, "/opt/korvane");
            EXPECT_EQ(withArguments(argument).*option.text, "/opt/korvane") << argument;
            continue;
        }
        if (option.choices.empty()) {
            EXPECT_EQ(widget.kind, "boolean");
            EXPECT_EQ(widget.label, option.label);
            // The one argument that turns the default around.
            const bool on = optionDefault(option) != 0;
            EXPECT_EQ(on ? widget.argSet : widget.argUnset, "");
            const std::string argument = on ? widget.argUnset : widget.argSet;
            ASSERT_FALSE(argument.empty());
            EXPECT_EQ(optionValue(option, withArguments(argument)), on ? 0 : 1) << argument;
            continue;
        }
        EXPECT_EQ(widget.kind, "select");
        ASSERT_EQ(widget.choices.size(), option.choices.size());
        std::map<std::string, int> labels;
        for (size_t i = 0; i < widget.choices.size(); ++i) {
            const XmlChoice& choice = widget.choices[i];
            EXPECT_NE(choice.label.find(option.choices[i].label), std::string::npos) << choice.label;
            ++labels[choice.label];
            // The default passes nothing; every other choice selects itself.
            if (static_cast<int32_t>(i) == optionDefault(option)) {
                EXPECT_EQ(choice.argSet, "") << choice.label;
                continue;
            }
            ASSERT_FALSE(choice.argSet.empty()) << choice.label;
            EXPECT_EQ(optionValue(option, withArguments(choice.argSet)), static_cast<int32_t>(i)) << choice.argSet;
        }
        EXPECT_EQ(labels.size(), option.choices.size()) << "two choices with one label";
    }
    EXPECT_EQ(next, found.size()) << "a widget for no option of the table: " << found.back().id;
}

TEST(KvssXml, TheReaderSeesOptionsOnlyInsideASelect) {
    const std::vector<XmlWidget> read = widgets(
        "<select id=\"s\"><option id=\"a\" _label=\"A\"/><option id=\"b\" _label=\"B\" arg-set=\"--x 2\"/></select>"
        "<boolean id=\"f\" _label=\"F\" arg-unset=\"--no-f\"/>");
    ASSERT_EQ(read.size(), 2u);
    ASSERT_EQ(read[0].choices.size(), 2u);
    EXPECT_EQ(read[0].choices[1].argSet, "--x 2");
    EXPECT_EQ(read[0].choices[0].argSet, "");
    EXPECT_EQ(read[1].argUnset, "--no-f");
    EXPECT_TRUE(widgets("<option id=\"a\" _label=\"A\"/>").empty());
}
