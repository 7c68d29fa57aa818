#pragma once
// Descriptors of links to a simulated driver (tools/sim), for the tests
// that talk to it over its pseudo-terminal.

#include "modbus/connection.h"
#include "sim/sim_driver.h"

#include <cstdlib>
#include <string>

namespace test_support {

// The driver's pseudo-terminal as a serial port.
inline modbus::connection::descriptor serial_descriptor(const sim::driver& d)
{
    modbus::connection::descriptor desc;
    desc.type = modbus::serial_link;
    desc.name = "pts";
    desc.kind = "COM";
    desc.location = d.tty_path();
    return desc;
}

// The same terminal as the first USB bridge device of the bridge stand-in.
inline modbus::connection::descriptor bridge_descriptor(const sim::driver& d)
{
    ::setenv("VELMORA_BRIDGE_DEVICES", (d.tty_path() + "|simulated bridge|ea60|10c4").c_str(), 1);
    modbus::connection::descriptor desc;
    desc.type = modbus::bridge_link;
    desc.name = "simulated bridge";
    desc.kind = "USBXpress";
    desc.index = 0;
    return desc;
}

} // namespace test_support
