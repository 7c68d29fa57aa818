#pragma once
// What can be connected right now, the identity texts under which the user
// picks it, and the lookup (with autodetect) from a stored text.

#include "modbus/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace modbus {

// The identity text of a descriptor: the name, or "USBXpress:<index>" for a
// USB bridge device. Throws for an unknown type.
std::string to_string(connection::descriptor const& d);

// The autodetect entry, the serial ports and the USB bridge devices; built
// afresh on every call.
std::vector<connection::descriptor> devices();

// The descriptor whose identity text is `id`; "Autodetect" resolves to the
// first device that looks like one of our drivers. Throws when none.
connection::descriptor device(std::string const& id);

// A serial port as the device list sees it.
struct serial_port {
    std::string name;
    std::string location;
};

// Where the list takes its serial ports from. By default the system's ports
// (which never include pseudo-terminals); tests put their own in. An empty
// function restores the default.
void set_serial_port_source(std::function<std::vector<serial_port>()> source);

} // namespace modbus
