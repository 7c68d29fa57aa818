#pragma once
// Test control of the bridge library: makes chosen calls fail.

#include "bridge/bridge.h"

namespace bridge_control {

enum class call { device_count, product_string };

// From now on `c` answers `status` for device `index` (every device when -1);
// for product strings only with `option` (every option when 0). The device
// count has no device: give -1.
void inject(call c, int index, bridge_status status, unsigned option = 0);

// Removes every injected status.
void clear();

} // namespace bridge_control
