#pragma once
// The back end of real links: a libmodbus RTU master on a serial port or,
// through our own libmodbus back end, on a USB bridge device.

#include "modbus/connection.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

typedef struct _modbus modbus_t;

namespace modbus {

class connection::modbus_device : public connection::device {
public:
    // Opens the link of `d` (type 1: the serial port at `location`; type 2:
    // the bridge device `index`) with up to `tries` attempts, tries >= 1.
    // Throws what the last attempt threw.
    modbus_device(descriptor d, int tries);
    ~modbus_device() override;
    modbus_device(const modbus_device&) = delete;
    modbus_device& operator=(const modbus_device&) = delete;

    // Every request gets up to `tries` attempts; a Modbus exception answer
    // is thrown at once, any other failure flushes the link and pauses
    // before the next attempt.
    int write_registers(unsigned short address, const std::vector<unsigned short>& values) override;
    // `from_copy` answers from the last values read or written, without
    // bus traffic.
    int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy) override;
    descriptor& desc() override { return desc_; }

    // What runs between failed attempts: one second's sleep on the calling
    // thread unless replaced (tests). Returns the one it replaces; an empty
    // function restores the sleep.
    using pause_function = std::function<void()>;
    static pause_function set_pause(pause_function f);

private:
    void init();
    void pause();

    descriptor desc_;
    int tries_;
    modbus_t* ctx_ = nullptr;
    std::map<unsigned short, unsigned short> memory_copy_;
};

// Opens the link of `d` with up to `tries` attempts; throws when it can't.
std::unique_ptr<connection::device> open_modbus_device(const connection::descriptor& d, int tries);

} // namespace modbus
