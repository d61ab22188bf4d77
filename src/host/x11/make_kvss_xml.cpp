// Writes kvss.xml, xscreensaver's description of the hack, at build time: the
// template's @OPTIONS@ line becomes the option table's rows that kvss takes.
//   make_kvss_xml TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "options/settings.h"

namespace {
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// A choice's label: the row's pattern with '%' standing for the dialog's label
// ("LABEL: %" for a row without one).
std::string choiceLabel(const OptionInfo& option, const OptionChoice& choice) {
    std::string label = option.xmlChoiceLabel != nullptr ? option.xmlChoiceLabel : std::string(option.label) + ": %";
    const size_t mark = label.find('%');
    if (mark != std::string::npos) label.replace(mark, 1, choice.label);
    return label;
}

// A <select> for an index (its default choice passes no argument), a <boolean>
// for a flag (the argument that turns its default around); a blank line
// around each select.
std::string optionElements() {
    std::ostringstream out;
    bool afterBoolean = false;
    for (const OptionInfo& option : optionTable) {
        if ((option.programs & inKvss) == 0) continue;
        if (isText(option)) {
            // Where the game is: a path typed in xscreensaver's settings.
            if (out.tellp() > 0) out << "\n";
            afterBoolean = false;
            out << "  <string id=\"" << option.flagName << "\" _label=\"" << escaped(option.label) << "\" arg=\"--"
                << option.flagName << " %\"/>\n";
            continue;
        }
        const bool isBoolean = option.choices.empty();
        if (out.tellp() > 0 && !(isBoolean && afterBoolean)) out << "\n";
        afterBoolean = isBoolean;
        const std::string flag = std::string("--") + option.flagName;
        if (isBoolean) {
            const bool on = optionDefault(option) != 0;
            out << "  <boolean id=\"" << option.flagName << "\" _label=\"" << escaped(option.label) << "\" "
                << (on ? "arg-unset=\"--no-" + std::string(option.flagName) : "arg-set=\"" + flag) << "\"/>\n";
            continue;
        }
        out << "  <select id=\"" << option.flagName << "\">\n";
        for (size_t i = 0; i < option.choices.size(); ++i) {
            const OptionChoice& choice = option.choices[i];
            out << "    <option id=\"" << option.flagName << "-" << choice.word << "\" _label=\""
                << escaped(choiceLabel(option, choice)) << "\"";
            if (static_cast<int32_t>(i) != optionDefault(option)) out << " arg-set=\"" << flag << " " << choice.word << "\"";
            out << "/>\n";
        }
        out << "  </select>\n";
    }
    std::string text = out.str();
    if (!text.empty()) text.pop_back();
    return text;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_kvss_xml TEMPLATE OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "make_kvss_xml: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    std::string line;
    while (std::getline(in, line)) text << (line == "@OPTIONS@" ? optionElements() : line) << '\n';
    std::ofstream out(argv[2], std::ios::trunc);
    out << text.str();
    if (!out.flush()) {
        std::fprintf(stderr, "make_kvss_xml: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
