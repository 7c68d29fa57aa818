#pragma once
// Test control of the bridge library: makes chosen calls fail and shows
// what its callers did.

#include "bridge/bridge.h"

namespace bridge_control {

enum class call {
    device_count,
    product_string,
    open,
    close,
    read,
    write,
    flush_buffers,
    set_timeouts,
    get_timeouts,
    check_rx_queue,
    set_baud_rate
};

// From now on `c` answers `status` for device `index` (every device when -1);
// for product strings only with `option` (every option when 0). The device
// count and the time-outs have no device: give -1. A failing call does
// nothing else and leaves errno alone.
void inject(call c, int index, bridge_status status, unsigned option = 0);

// Like inject, for the next `times` calls only.
void inject_next(call c, int index, bridge_status status, unsigned times);

// Removes every injected status.
void clear();

// Removes every injected status, closes every open device, sets the
// time-outs back to none and zeroes the call counts.
void reset();

// How often `c` was called since the last reset, failed calls included.
unsigned calls(call c);

// Devices open right now.
unsigned open_devices();

// The read time-out that was in force at the last read.
uint32_t last_read_timeout();

} // namespace bridge_control
