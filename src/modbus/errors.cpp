#include "modbus/errors.h"

#include "dorvane/converter.h"
#include "dorvane/syslog.h"
#include "modbus/connection.h"

#include <QObject>

#include <modbus.h>

#include <cmath>
#include <map>

namespace {

cl::syslog::module ___syslog("modbus");

// Built before any translator is installed: these texts stay English.
const std::map<int, QString> protocol_errors = {
    {MODBUS_ENOBASE + 1, QObject::tr("Illegal function")},
    {MODBUS_ENOBASE + 2, QObject::tr("Illegal data address")},
    {MODBUS_ENOBASE + 3, QObject::tr("Illegal data value")},
    {MODBUS_ENOBASE + 4, QObject::tr("Slave device or server failure")},
    {MODBUS_ENOBASE + 5, QObject::tr("Acknowledge")},
    {MODBUS_ENOBASE + 6, QObject::tr("Slave device or server is busy")},
    {MODBUS_ENOBASE + 7, QObject::tr("Negative acknowledge")},
    {MODBUS_ENOBASE + 8, QObject::tr("Memory parity error")},
};

// The gateway answers 10 and 11 are retried like a broken link.
const std::map<int, QString> connection_errors = {
    {MODBUS_ENOBASE + 10, QObject::tr("Gateway path unavailable")},
    {MODBUS_ENOBASE + 11, QObject::tr("Target device failed to respond")},
    {MODBUS_ENOBASE + 12, QObject::tr("Invalid CRC")},
    {MODBUS_ENOBASE + 13, QObject::tr("Invalid data")},
    {MODBUS_ENOBASE + 14, QObject::tr("Invalid exception code")},
    {MODBUS_ENOBASE + 16, QObject::tr("Too many data")},
};

QString lookup(const std::map<int, QString>& table, int code)
{
    const auto it = table.find(code);
    return it == table.end() ? QString() : it->second;
}

} // namespace

static_assert(modbus::protocol_exception::busy == MODBUS_ENOBASE + MODBUS_EXCEPTION_SLAVE_OR_SERVER_BUSY,
              "busy must be the library's number of the busy answer");

std::map<unsigned short, unsigned short> modbus::connection::emulation_device::vmem;

namespace {
// A converter that fails its self-test stops the program before main.
[[maybe_unused]] const bool et1 = modbus::embedded_float_test();
[[maybe_unused]] const bool et2 = modbus::embedded_string_test();
} // namespace

namespace modbus {

QString protocol_error_text(int code)
{
    return lookup(protocol_errors, code);
}

QString connection_error_text(int code)
{
    return lookup(connection_errors, code);
}

bool embedded_float_test()
{
    VLOG(cl::syslog::dbg) << "starting embedded_float_test...";
    const float values[] = {-0.00123456f, 0.0123456f, 0.123456f, 1.23456f, 12.3456f,  -123.456f,
                            1234.56f,     12345.6f,   123456.f,  123456.f, 123456.f, -123456.f};
    for (const float v : values) {
        int places = 0;
        const detail::float_repr r = detail::to_repr(v, &places);
        if (places != 5 || r.mantissa != 123456)
            throw std::runtime_error("embedded_float_test: float to int failed");

        // The decode rule written out once more: one digit before the point.
        double rebuilt = r.mantissa / std::pow(10.0, detail::digits(r.mantissa) - 1) * std::pow(10.0, r.exponent);
        if (r.negative)
            rebuilt = -rebuilt;
        if (!(std::fabs(static_cast<float>(rebuilt) - v) < 1e-6))
            throw std::runtime_error("embedded_float_test: int to float failed");

        const std::vector<unsigned short> regs = detail::pack(r);
        const float unpacked = detail::repr_to_float(detail::unpack(regs));
        if (!(std::fabs(unpacked - v) < 1e-6))
            throw std::runtime_error(QStringLiteral("this float value [%1] can't be converted correctly [%2]")
                                         .arg(QString::number(v), QString::number(unpacked))
                                         .toLatin1()
                                         .toStdString());

        if (!(std::fabs(converter<float>::from_modbus(regs) - v) < 1e-6))
            throw std::runtime_error("embedded_float_test: to/from modbus failed");
    }
    VLOG(cl::syslog::dbg) << "embedded_float_test finished";
    return true;
}

bool embedded_string_test()
{
    VLOG(cl::syslog::dbg) << "starting embedded_string_test...";
    // The two odd lengths (25 and 19 bytes of UTF-8) need the padding.
    const std::string texts[] = {"english text", "русский текст", "combined текст"};
    for (const std::string& t : texts) {
        const std::vector<char> bytes(t.begin(), t.end());
        if (converter<std::vector<char>>::from_modbus(converter<std::vector<char>>::to_modbus(bytes)) != bytes)
            throw std::runtime_error("embedded_string_test: std::vector<char> not equal");
    }
    for (const std::string& t : texts)
        if (converter<std::string>::from_modbus(converter<std::string>::to_modbus(t)) != t)
            throw std::runtime_error("embedded_string_test: strings not equal");
    VLOG(cl::syslog::dbg) << "embedded_string_test finished";
    return true;
}

} // namespace modbus
