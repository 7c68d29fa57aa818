#pragma once
// The in-memory emulation as the other end of a device: a back end that
// records every request and fails on demand, devices on it, items, and the
// emulation's registers.

#include "device/device.h"
#include "dorvane/profile.h"
#include "modbus/connection.h"
#include "modbus/errors.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

typedef std::vector<unsigned short> words;

// The emulation's registers, shared by every emulation link of the process.
inline std::map<unsigned short, unsigned short>& vmem()
{
    return modbus::connection::emulation_device::vmem;
}

inline words words_at(unsigned short address, unsigned count)
{
    words r;
    for (unsigned i = 0; i < count; ++i)
        r.push_back(vmem()[static_cast<unsigned short>(address + i)]);
    return r;
}

inline void set_words(unsigned short address, const words& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        vmem()[static_cast<unsigned short>(address + i)] = values[i];
}

// Writes a valid identity block into the emulation memory.
inline void set_identity(unsigned short id, unsigned short hw, unsigned short fw)
{
    set_words(profiles::profile::id_address, {id, hw, fw, static_cast<unsigned short>(id + hw + fw)});
}

struct backend_request {
    char op; // 'r' or 'w'
    unsigned short address;
    std::size_t count;
    bool from_copy;
    words values; // writes only

    bool operator==(const backend_request& o) const
    {
        return op == o.op && address == o.address && count == o.count && from_copy == o.from_copy
            && (op != 'w' || values == o.values);
    }
};

// Serves the emulation memory and records every request, failed ones too.
class recording_backend : public modbus::connection::emulation_device {
public:
    // An emulation link lets the device seed the identity block; any other
    // type is served as it is.
    explicit recording_backend(int type = modbus::emulation_link) : emulation_device(make_desc(type)) {}

    std::vector<backend_request> requests;
    // The writes that succeeded.
    std::vector<backend_request> written;
    // Called for every request before it is served; may throw.
    std::function<void(const backend_request&)> on_request;
    // The next so many reads answer "busy".
    int busy_reads = 0;
    // The next reads are cut to this many registers (-1: never).
    int short_reads = -1;
    // Writes fail as a driver that doesn't answer.
    bool fail_writes = false;

    static modbus::connection::descriptor make_desc(int type)
    {
        modbus::connection::descriptor d;
        d.type = type;
        d.name = "test";
        return d;
    }

    std::vector<backend_request> of(char op) const
    {
        std::vector<backend_request> r;
        for (const auto& q : requests)
            if (q.op == op)
                r.push_back(q);
        return r;
    }
    std::vector<backend_request> reads() const { return of('r'); }
    std::vector<backend_request> writes() const { return of('w'); }
    // Registers read within [from, until).
    std::size_t registers_read(unsigned from, unsigned until) const
    {
        std::size_t n = 0;
        for (const auto& q : requests)
            if (q.op == 'r' && q.address >= from && q.address < until)
                n += q.count;
        return n;
    }
    void clear()
    {
        requests.clear();
        written.clear();
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
        if (fail_writes)
            throw modbus::connection_exception("Connection timed out", 110);
        const int n = emulation_device::write_registers(address, values);
        written.push_back(requests.back());
        return n;
    }
};

// A connection over a new recording back end; `backend` points at it.
inline modbus::connection_p test_connection(recording_backend*& backend, int type = modbus::serial_link)
{
    auto b = std::make_unique<recording_backend>(type);
    backend = b.get();
    return std::make_shared<modbus::connection>(std::move(b));
}

// A device on a fresh emulation memory, with the built-in profiles
// registered; `backend` points at its back end, whose record starts empty
// (the identity block the device seeds is not in it).
inline std::shared_ptr<device> make_device(recording_backend*& backend)
{
    vmem().clear();
    profiles::init_profiles();
    auto dev = std::make_shared<device>(test_connection(backend, modbus::emulation_link));
    backend->clear();
    return dev;
}

// An item of the given registers, shown as `gui`.
inline profiles::item make_item(unsigned short address, profiles::item_gui gui, words data, bool is_signed = false,
                                profiles::item_dir dir = profiles::rw, float scale = 1.0f, float offset = 0.0f)
{
    profiles::item i = profiles::single(address);
    i.gui = gui;
    i.dir = dir;
    i.scale = scale;
    i.offset = offset;
    i.value.length = static_cast<std::uint32_t>(data.size());
    i.value.data = std::move(data);
    i.value.is_signed = is_signed;
    i.name = "Item";
    return i;
}

// A plain item of `length` registers of 0, as profiles::single makes it.
inline profiles::item item_at(unsigned short address, unsigned length = 1, profiles::item_dir dir = profiles::rw)
{
    profiles::item i = profiles::single(address);
    i.value.length = length;
    i.value.data.assign(length, 0);
    i.dir = dir;
    return i;
}

// An item of `length` registers of 0, shown as `gui`.
inline profiles::item blank_item(unsigned short address, profiles::item_gui gui, unsigned length,
                                 profiles::item_dir dir = profiles::rw)
{
    return make_item(address, gui, words(length, 0), false, dir);
}

// The driver's registers change and the device polls them.
inline void device_sets(device& dev, unsigned short address, const words& values)
{
    set_words(address, values);
    dev.update_profile(false);
}

} // namespace test_support
