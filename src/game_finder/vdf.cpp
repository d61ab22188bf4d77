#include "game_finder/vdf.h"

#include "game_finder/folder_access.h"

namespace {
// Steam's own files nest three or four deep; a deeper one is not Steam's.
constexpr int maxDepth = 32;

class VdfParser {
public:
    explicit VdfParser(std::string_view text) : text_(text) {}

    // Entries until the end of the text (depth 0) or the "}" that closes the block.
    bool entries(std::vector<VdfNode>& out, int depth) {
        if (depth > maxDepth) return false;
        for (;;) {
            skipBlanks();
            if (at_ == text_.size()) return depth == 0;
            if (text_[at_] == '}') {
                ++at_;
                return depth > 0;
            }
            VdfNode node;
            if (!token(node.key)) return false;
            skipBlanks();
            if (at_ == text_.size()) return false;
            if (text_[at_] == '{') {
                ++at_;
                node.block = true;
                if (!entries(node.children, depth + 1)) return false;
            } else if (!token(node.value)) {
                return false;
            }
            skipCondition();
            out.push_back(std::move(node));
        }
    }

private:
    void skipBlanks() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++at_;
            } else if (c == '/' && at_ + 1 < text_.size() && text_[at_ + 1] == '/') {
                while (at_ < text_.size() && text_[at_] != '\n') ++at_;
            } else {
                return;
            }
        }
    }

    // A "[$WIN32]"-style condition on the same line as the value.
    void skipCondition() {
        size_t look = at_;
        while (look < text_.size() && (text_[look] == ' ' || text_[look] == '\t')) ++look;
        if (look >= text_.size() || text_[look] != '[') return;
        while (look < text_.size() && text_[look] != ']' && text_[look] != '\n') ++look;
        if (look < text_.size() && text_[look] == ']') at_ = look + 1;
    }

    bool token(std::string& out) {
        if (text_[at_] == '{' || text_[at_] == '}') return false;
        if (text_[at_] != '"') {
            while (at_ < text_.size()) {
                const char c = text_[at_];
                if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '"') break;
                out += c;
                ++at_;
            }
            return true;
        }
        for (++at_; at_ < text_.size(); ++at_) {
            char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c == '\\' && at_ + 1 < text_.size()) {
                c = text_[++at_];
                if (c == 'n') c = '\n';
                else if (c == 't') c = '\t';
                else if (c != '\\' && c != '"') out += '\\';  // not an escape: both bytes stand
            }
            out += c;
        }
        return false;  // the string never ended
    }

    std::string_view text_;
    size_t at_ = 0;
};

bool numbered(const std::string& key) {
    if (key.empty()) return false;
    for (const char c : key)
        if (c < '0' || c > '9') return false;
    return true;
}
}  // namespace

std::optional<std::vector<VdfNode>> parseVdf(std::string_view text) {
    std::vector<VdfNode> nodes;
    if (!VdfParser(text).entries(nodes, 0)) return std::nullopt;
    return nodes;
}

std::optional<std::vector<std::string>> steamLibraryFolders(std::string_view text) {
    const std::optional<std::vector<VdfNode>> nodes = parseVdf(text);
    if (!nodes) return std::nullopt;
    for (const VdfNode& root : *nodes) {
        if (!root.block || foldedAscii(root.key) != "libraryfolders") continue;
        std::vector<std::string> folders;
        for (const VdfNode& entry : root.children) {
            if (!numbered(entry.key)) continue;
            if (!entry.block) {
                if (!entry.value.empty()) folders.push_back(entry.value);
                continue;
            }
            for (const VdfNode& field : entry.children)
                if (!field.block && foldedAscii(field.key) == "path" && !field.value.empty()) folders.push_back(field.value);
        }
        return folders;
    }
    return std::nullopt;
}
