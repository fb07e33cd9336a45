#include "output/DirectoryList.h"

#include <fstream>
#include <iterator>

namespace qr::output {

namespace {

std::string parentLabel(const std::string& label) {
    return label.compare(0, 9, "Partition") == 0 ? "Root Directory " : label;
}

} // namespace

// One walk under the tree's lock with a stack of its own, each level carrying its
// folder path, so deep or wide trees cost one pass and no recursion.
std::vector<std::string> DirectoryListLines(const model::TreeModel& tree, model::TreeItem root) {
    std::vector<std::string> lines;
    tree.withLock([&](const std::vector<model::TreeModel::Item>& items) {
        const auto valid = [&](model::TreeItem i) {
            return i >= 0 && static_cast<std::size_t>(i) < items.size();
        };
        if (!valid(root))
            return;
        struct Level {
            model::TreeItem item;
            std::string path; // folder path below the root; empty for the root
            std::size_t next = 0;
        };
        std::vector<bool> visited(items.size(), false);
        visited[std::size_t(root)] = true;
        std::vector<Level> stack{{root, ""}};
        while (!stack.empty()) {
            Level& level = stack.back();
            const auto& children = items[std::size_t(level.item)].children;
            if (level.next == children.size()) {
                stack.pop_back();
                continue;
            }
            const model::TreeItem child = children[level.next++];
            if (!valid(child) || visited[std::size_t(child)])
                continue;
            visited[std::size_t(child)] = true;
            const std::string& childText = items[std::size_t(child)].text;
            const bool underRoot = stack.size() == 1;
            const std::string label =
                parentLabel(underRoot ? items[std::size_t(root)].text : level.path);
            lines.push_back(label + "-> " + childText);
            std::string childPath = underRoot ? childText : level.path + "\\" + childText;
            stack.push_back({child, std::move(childPath)});
        }
    });
    return lines;
}

bool WriteDirectoryListFile(const std::filesystem::path& file,
                            const std::vector<std::string>& lines, const std::string& terminator) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    for (const std::string& line : lines)
        out << line << terminator;
    out.flush();
    return bool(out);
}

std::vector<std::string> ReadPrintFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
        if (*it == kPrintSeparator) {
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += *it;
        }
    }
    return lines;
}

} // namespace qr::output
