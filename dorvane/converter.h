#pragma once
// Conversions between values and Modbus registers. Header-only and free of
// Qt: the profile library uses the unsigned 16-bit instance for its tables.

#include <vector>

namespace modbus {

template <typename T>
struct converter;

template <>
struct converter<unsigned short> {
    static std::vector<unsigned short> to_modbus(unsigned short v) { return std::vector<unsigned short>(1, v); }
    static unsigned short from_modbus(const std::vector<unsigned short>& r) { return r.empty() ? 0 : r.front(); }
};

} // namespace modbus
