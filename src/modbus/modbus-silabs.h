#pragma once
// A Modbus RTU back end of libmodbus whose bytes travel through the USB
// bridge library instead of a serial port. Following libmodbus's own
// conventions, its operations fail with -1 and errno, and bridge failures
// are reported on standard error.

#include <modbus.h>

extern "C" {

// A context for bridge device `index` (the bridge library's numbering),
// not yet connected; null with errno set when it can't be made.
modbus_t* _modbus_new_silabs(int index);

}
