#include "tests/support/StockTags.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace testmaps {

namespace {

std::string StockTagsPath() { return std::string(TAGSHROUD_TESTDATA_DIR) + "/multiplayer-map-tags.tsv"; }

}  // namespace

// Each line is "index<TAB>class<TAB>path"; lines starting with '#' are notes.
std::vector<TagRow> StockMultiplayerTags() {
    const std::string path = StockTagsPath();
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<TagRow> tags;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string index, cls, name;
        std::getline(fields, index, '\t');
        std::getline(fields, cls, '\t');
        std::getline(fields, name);
        if (std::stoul(index) != tags.size()) throw std::runtime_error(path + ": entries out of order");
        std::reverse(cls.begin(), cls.end());
        tags.push_back({cls, name, 0});
    }
    if (tags.empty()) throw std::runtime_error(path + " holds no tags");
    return tags;
}

}  // namespace testmaps
