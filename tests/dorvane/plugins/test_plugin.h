#pragma once
// Shared by the test plug-ins: one profile with a given identifier and a
// number of pages, queued when the plug-in's library loads.

#include "dorvane/profile.h"

namespace test_plugin {

inline profiles::profile make(profiles::u16 id, int pages)
{
    profiles::profile p;
    p.id = id;
    p.name = "plugin profile";
    p.static_map.push_back(profiles::single(0x10));
    for (int i = 0; i < pages; ++i)
        p.pages.push_back({"page", {profiles::single(static_cast<profiles::u16>(0x20 + i))}});
    return p;
}

} // namespace test_plugin
