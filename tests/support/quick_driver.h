#pragma once
// The simulated driver as most tests want it: serving from the start and
// answering at once, without the wire time of the line.

#include "sim/sim_driver.h"

namespace test_support {

class quick_driver : public sim::driver {
public:
    explicit quick_driver(bool request_log = false)
    {
        set_wire_time(false);
        set_request_log(request_log);
        start();
    }
};

} // namespace test_support
