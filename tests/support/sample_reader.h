#pragma once
// The update callback the main window gives a curve holder: the graph's
// sample buffer read from the driver, every register a signed 16-bit
// sample at x = its index.

#include "gui/graphic.h"

#include <functional>
#include <memory>

namespace test_support {

inline std::function<bool()> sample_reader(curve_holder* holder, std::shared_ptr<device> dev,
                                           std::function<void()> after = {})
{
    return [holder, dev, after] {
        const profiles::graphic& g = holder->graph();
        const auto until = static_cast<unsigned short>(g.start + g.count);
        set_samples(*holder->curve_, dev->connection().read_block(g.start, until, false));
        if (after)
            after();
        return true;
    };
}

} // namespace test_support
