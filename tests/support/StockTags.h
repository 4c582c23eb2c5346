#pragma once

#include <vector>

#include "tests/support/MapBuilder.h"

namespace testmaps {

// The tag array of a stock multiplayer map, in entry order, read from
// tests/data: each tag's class as a map stores it, its four characters
// reversed, and its path as the name. Throws when the data cannot be read.
std::vector<TagRow> StockMultiplayerTags();

}  // namespace testmaps
