#pragma once

#include "mapengine/MapFormat.h"
#include "shell/Tagshroud.h"

// The edition table of the map engine's routines: one listing and one
// protection serve both editions, driven by the edition's header layout,
// whether protection tests TagFlag, and the listing the edition's routines
// call.
struct MapEdition {
    MapVariant Variant;
    const MapHeader& Header;
    bool TestsTagFlag;           // protection exempts flagged sounds and bitmaps
    void (Tagshroud::*Load)();   // the edition's listing entry point
};

inline constexpr MapEdition FullEdition{MapVariant::Full, FullMapHeader, true, &Tagshroud::Full_Load};

inline constexpr MapEdition DemoEdition{MapVariant::Demo, DemoMapHeader, false, &Tagshroud::Demo_Load};

// The editions in the order their signatures are tested: a file that carries
// both signatures is a full-edition map.
inline constexpr const MapEdition* RecognisedEditions[] = {&FullEdition, &DemoEdition};
