#pragma once
// The back end of real links (serial port and USB bridge), made by the
// connection for descriptors of type 1 and 2.

#include "modbus/connection.h"

#include <memory>

namespace modbus {

// Opens the link of `d` with up to `tries` attempts; throws when it can't.
std::unique_ptr<connection::device> open_modbus_device(const connection::descriptor& d, int tries);

} // namespace modbus
