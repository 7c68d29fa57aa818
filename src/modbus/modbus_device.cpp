#include "modbus/modbus_device.h"

#include <stdexcept>

namespace modbus {

std::unique_ptr<connection::device> open_modbus_device(const connection::descriptor&, int)
{
    throw std::runtime_error("unsupported backend type: this build has no serial or USB bridge link");
}

} // namespace modbus
