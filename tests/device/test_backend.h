#pragma once
// An emulation back end that records every request and can fail on
// demand, for the device tests. It serves the shared emulation memory.

#include "modbus/connection.h"
#include "modbus/errors.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace test_support {

struct backend_request {
    char op; // 'r' or 'w'
    unsigned short address;
    std::size_t count;
    bool from_copy;
    std::vector<unsigned short> values; // writes only

    bool operator==(const backend_request& o) const
    {
        return op == o.op && address == o.address && count == o.count && from_copy == o.from_copy
            && (op != 'w' || values == o.values);
    }
};

class test_backend : public modbus::connection::emulation_device {
public:
    // The device takes an emulation link for one to seed; a serial port is served as it is.
    explicit test_backend(int type = modbus::serial_link) : emulation_device(make_desc(type)) {}

    std::vector<backend_request> requests;
    // Called for every request before it is served; may throw.
    std::function<void(const backend_request&)> on_request;
    // The next so many reads answer "busy".
    int busy_reads = 0;
    // The next reads are cut to this many registers (-1: never).
    int short_reads = -1;

    static modbus::connection::descriptor make_desc(int type)
    {
        modbus::connection::descriptor d;
        d.type = type;
        d.name = "test";
        return d;
    }

    std::size_t reads() const { return count('r'); }
    std::size_t writes() const { return count('w'); }
    std::size_t count(char op) const
    {
        std::size_t n = 0;
        for (const auto& r : requests)
            n += r.op == op;
        return n;
    }

    int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy) override
    {
        requests.push_back({'r', address, values.size(), from_copy, {}});
        if (on_request)
            on_request(requests.back());
        if (busy_reads > 0) {
            --busy_reads;
            throw modbus::protocol_exception("Slave device or server is busy", modbus::protocol_exception::busy);
        }
        int n = emulation_device::read_registers(address, values, from_copy);
        if (short_reads >= 0 && values.size() > std::size_t(short_reads)) {
            values.resize(std::size_t(short_reads));
            n = short_reads;
        }
        return n;
    }

    int write_registers(unsigned short address, const std::vector<unsigned short>& values) override
    {
        requests.push_back({'w', address, values.size(), false, values});
        if (on_request)
            on_request(requests.back());
        return emulation_device::write_registers(address, values);
    }
};

// A connection over a new test back end; `backend` points at it.
inline modbus::connection_p test_connection(test_backend*& backend, int type = modbus::serial_link)
{
    auto b = std::make_unique<test_backend>(type);
    backend = b.get();
    return std::make_shared<modbus::connection>(std::move(b));
}

// Writes a valid identity block into the emulation memory.
inline void set_identity(unsigned short id, unsigned short hw, unsigned short fw)
{
    modbus::connection::emulation_device::vmem[0xFFF0] = id;
    modbus::connection::emulation_device::vmem[0xFFF1] = hw;
    modbus::connection::emulation_device::vmem[0xFFF2] = fw;
    modbus::connection::emulation_device::vmem[0xFFF3] = static_cast<unsigned short>(id + hw + fw);
}

} // namespace test_support
