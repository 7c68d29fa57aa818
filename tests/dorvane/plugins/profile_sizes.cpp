// Prints the sizes of the profile types, as a CMake list, for the test
// plug-ins' metadata.
#include "dorvane/profile.h"

#include <cstdio>

// Measured at configure time, before dorvane exists: the header's empty
// register image needs these two, and nothing here uses them.
profiles::detail::value::value() : length(0), is_signed(false) {}
profiles::detail::value::~value() = default;

int main()
{
    std::printf("%u;%u;%u;%u", unsigned(sizeof(profiles::profile)), unsigned(sizeof(profiles::item)),
                unsigned(sizeof(profiles::graphic)), unsigned(sizeof(profiles::detail::value)));
    return 0;
}
