#pragma once
// Failures of the Modbus link. A driver's Modbus exception answer (above all
// a busy driver) is a protocol_exception; a link that stays broken after
// every attempt is a connection_exception; everything else is a plain
// std::runtime_error.

#include <QString>

#include <stdexcept>
#include <string>

namespace modbus {

class protocol_exception : public std::runtime_error {
public:
    protocol_exception(const std::string& message, int code) : std::runtime_error(message), code(code) {}

    // The error number of the answer "slave device busy".
    static constexpr int busy = 112345684;

    int code;
};

class connection_exception : public std::runtime_error {
public:
    connection_exception(const std::string& message, int code) : std::runtime_error(message), code(code) {}

    int code;
};

// The text of a Modbus library error number that is an exception answer of
// the driver (not worth another attempt); a null string for other numbers.
QString protocol_error_text(int code);

// The text of an error number that counts as a failure of the link; a null
// string for other numbers.
QString connection_error_text(int code);

// The converter self-tests, run by this unit during start-up. They return
// true or throw std::runtime_error at the first failing check.
bool embedded_float_test();
bool embedded_string_test();

} // namespace modbus
