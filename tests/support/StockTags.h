#pragma once

#include <vector>

#include "tests/support/MapBuilder.h"

namespace testmaps {

// The tag array of a stock multiplayer map, in entry order, read from the
// shared test data (the folder in TAGSHROUD_TESTDATA, or the one beside the
// source tree): each tag's class as a map stores it, its four characters
// reversed, and its path as the name. Throws when the data cannot be read.
std::vector<TagSpec> StockMultiplayerTags();

}  // namespace testmaps
