#pragma once
// Conversions between values and Modbus registers. Header-only and free of
// Qt: the profile library uses the unsigned 16-bit instance for its tables.
//
// Floats travel as a decimal float in two registers: bit 31 the sign, bits
// 30..23 a two's complement decimal exponent, bits 22..0 the decimal digits
// with the point after the first one. Register 0 holds the high half.
//
// Bytes and text travel two bytes per register, the first one in the low
// half, padded with a zero byte; reading drops every trailing zero byte.

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace modbus {

namespace detail {

struct float_repr {
    int exponent = 0; // 8 bits on the wire
    int mantissa = 0; // 23 bits on the wire, never negative
    bool negative = false;
};

// The largest mantissa the 23 bits hold, and the decimal places it allows
// after the first digit.
constexpr int max_mantissa = 0x7FFFFF;
constexpr int max_places = 6;

inline long double power_of_ten(int e)
{
    long double r = 1;
    for (int i = 0; i < (e < 0 ? -e : e); ++i)
        r *= 10;
    return e < 0 ? 1 / r : r;
}

// Number of decimal places the encoder keeps for x; never more than the
// mantissa can hold, so values held just below a short decimal (0.32 is
// 0.3199999928...) end the search too.
inline int num(float x)
{
    double a = std::fabs(static_cast<double>(x));
    if (std::fabs(std::ceil(a) - a) < 0.000001)
        return 0;
    int n = 0;
    double f;
    do {
        ++n;
        a *= 10;
        f = a - std::trunc(a);
    } while (!(f <= 0.01) && n < max_places);
    return n;
}

inline int digits(long long v)
{
    int n = 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10)
        ++n;
    return n;
}

// Splits f into sign, exponent and mantissa; `places` gets the decimal
// places used. The exponent puts the scaled value in [1, 10), so that the
// decoder, which reads one digit before the point, gets it back.
inline float_repr to_repr(float f, int* places = nullptr)
{
    if (!std::isfinite(f))
        throw std::runtime_error("float value is not a finite number and can't be converted");
    float_repr r;
    r.negative = f < 0;
    if (places)
        *places = 0;
    const double a = std::fabs(static_cast<double>(f));
    if (a == 0)
        return r;

    int e = static_cast<int>(std::floor(std::log10(a)));
    auto scaled = [a](int e) {
        const long double v = a;
        return static_cast<float>(e >= 0 ? v / power_of_ten(e) : v * power_of_ten(-e));
    };
    float m = scaled(e);
    if (m >= 10)
        m = scaled(++e);
    else if (m < 1)
        m = scaled(--e);

    int d = num(m);
    long long mant = std::llround(static_cast<double>(power_of_ten(d) * m));
    while (mant > max_mantissa && d > 0)
        mant = std::llround(static_cast<double>(power_of_ten(--d) * m));
    // Rounding carried into a new digit (9.9999995 became 10): one decade up.
    if (mant >= static_cast<long long>(power_of_ten(d + 1))) {
        mant /= 10;
        ++e;
    }
    // A float just below a short decimal (3.2 is held as 3.1999998) rounds
    // to trailing zeros; they carry no value.
    while (d > 0 && mant % 10 == 0) {
        mant /= 10;
        --d;
    }
    r.exponent = e;
    r.mantissa = static_cast<int>(mant);
    if (places)
        *places = d;
    return r;
}

inline float repr_to_float(const float_repr& r)
{
    const int k = r.mantissa == 0 ? -1 : digits(r.mantissa) - 1;
    const int shift = r.exponent - k;
    long double v = std::fabs(static_cast<long double>(r.mantissa));
    v = shift < 0 ? v / power_of_ten(-shift) : v * power_of_ten(shift);
    return static_cast<float>(r.negative ? -v : v);
}

inline std::vector<unsigned short> pack(const float_repr& r)
{
    const std::uint32_t w = (r.negative ? 0x80000000u : 0u) |
                            ((static_cast<std::uint32_t>(r.exponent) & 0xFFu) << 23) |
                            (static_cast<std::uint32_t>(r.mantissa) & 0x7FFFFFu);
    return {static_cast<unsigned short>(w >> 16), static_cast<unsigned short>(w & 0xFFFF)};
}

inline float_repr unpack(const std::vector<unsigned short>& regs)
{
    if (regs.size() < 2)
        throw std::runtime_error("a float needs two registers");
    const std::uint32_t w = (static_cast<std::uint32_t>(regs[0]) << 16) | regs[1];
    float_repr r;
    r.negative = (w >> 31) != 0;
    r.exponent = static_cast<std::int8_t>((w >> 23) & 0xFFu);
    r.mantissa = static_cast<int>(w & 0x7FFFFFu);
    return r;
}

template <typename Bytes>
std::vector<unsigned short> bytes_to_registers(const Bytes& b)
{
    std::vector<unsigned short> r;
    r.reserve((b.size() + 1) / 2);
    for (std::size_t i = 0; i < b.size(); i += 2) {
        const unsigned lo = static_cast<unsigned char>(b[i]);
        const unsigned hi = i + 1 < b.size() ? static_cast<unsigned char>(b[i + 1]) : 0u;
        r.push_back(static_cast<unsigned short>(lo | (hi << 8)));
    }
    return r;
}

template <typename Bytes>
Bytes registers_to_bytes(const std::vector<unsigned short>& regs)
{
    Bytes b;
    b.reserve(regs.size() * 2);
    for (unsigned short v : regs) {
        b.push_back(static_cast<char>(v & 0xFF));
        b.push_back(static_cast<char>(v >> 8));
    }
    while (!b.empty() && b.back() == 0)
        b.pop_back();
    return b;
}

} // namespace detail

template <typename T>
struct converter;

template <>
struct converter<unsigned short> {
    static std::vector<unsigned short> to_modbus(unsigned short v) { return std::vector<unsigned short>(1, v); }
    static unsigned short from_modbus(const std::vector<unsigned short>& r) { return r.empty() ? 0 : r.front(); }
};

template <>
struct converter<float> {
    // Throws std::runtime_error for NaN and infinity.
    static std::vector<unsigned short> to_modbus(float v) { return detail::pack(detail::to_repr(v)); }
    // Reads the first two registers.
    static float from_modbus(const std::vector<unsigned short>& r)
    {
        return detail::repr_to_float(detail::unpack(r));
    }
};

template <>
struct converter<std::vector<char>> {
    static std::vector<unsigned short> to_modbus(const std::vector<char>& v) { return detail::bytes_to_registers(v); }
    static std::vector<char> from_modbus(const std::vector<unsigned short>& r)
    {
        return detail::registers_to_bytes<std::vector<char>>(r);
    }
};

template <>
struct converter<std::string> {
    static std::vector<unsigned short> to_modbus(const std::string& v) { return detail::bytes_to_registers(v); }
    static std::string from_modbus(const std::vector<unsigned short>& r)
    {
        return detail::registers_to_bytes<std::string>(r);
    }
};

} // namespace modbus
