#include "modbus/connection.h"

#include "dorvane/syslog.h"
#include "modbus/modbus_device.h"
#include "services/local8.h"

#include <QCoreApplication>
#include <QObject>

#include <algorithm>
#include <stdexcept>

namespace {

cl::syslog::module ___syslog("modbus");

// Fewer than the protocol's 125, as the drivers have always been read.
const std::size_t max_request = 100;

// Timers, paints and queued calls run between requests; user input waits.
void let_events_run()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

namespace modbus {

int connection::emulation_device::write_registers(unsigned short address, const std::vector<unsigned short>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        vmem[static_cast<unsigned short>(address + i)] = values[i];
    return static_cast<int>(values.size());
}

int connection::emulation_device::read_registers(unsigned short address, std::vector<unsigned short>& values, bool)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = vmem[static_cast<unsigned short>(address + i)];
    return static_cast<int>(values.size());
}

connection::connection(descriptor d, int tries)
{
    switch (d.type) {
    case emulation_link:
        backend_.reset(new emulation_device(std::move(d)));
        break;
    case serial_link:
    case bridge_link:
        backend_ = open_modbus_device(d, tries);
        break;
    default:
        // Autodetect has to be resolved to a real device first.
        throw std::runtime_error("unsupported backend type");
    }
    if (!backend_)
        throw std::runtime_error("unsupported backend type");
    VLOG(cl::syslog::dbg) << "modbus CREATED";
}

connection::connection(std::unique_ptr<device> backend) : backend_(std::move(backend))
{
    if (!backend_)
        throw std::runtime_error("unsupported backend type");
    VLOG(cl::syslog::dbg) << "modbus CREATED";
}

connection::~connection()
{
    backend_.reset();
    VLOG(cl::syslog::dbg) << "modbus DESTROYED";
}

int connection::read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy)
{
    return backend_->read_registers(address, values, from_copy);
}

int connection::write_registers(unsigned short address, const std::vector<unsigned short>& values)
{
    return backend_->write_registers(address, values);
}

std::vector<unsigned short> connection::read_block(unsigned short from, unsigned short until, bool from_copy)
{
    VLOG(cl::syslog::dbg) << "reading block from:" << from << " untill:" << until;
    if (until < from)
        throw std::runtime_error(
            local8(QObject::tr("Can't read registers from %1 until %2").arg(from).arg(until)));

    std::vector<unsigned short> result(until - from, 0);
    std::vector<unsigned short> work;
    work.reserve(std::min(result.size(), max_request));
    unsigned short cur = from;
    std::size_t pos = 0;
    while (pos < result.size()) {
        const std::size_t n = std::min(result.size() - pos, max_request);
        work.resize(n);
        backend_->read_registers(cur, work, from_copy);
        // A back end that gets nothing would have us ask forever.
        if (work.empty())
            throw std::runtime_error(local8(QObject::tr("No registers read from address %1").arg(cur)));
        const std::size_t got = std::min(work.size(), n);
        std::copy_n(work.begin(), got, result.begin() + pos);
        let_events_run();
        cur = static_cast<unsigned short>(cur + got);
        pos += got;
    }
    return result;
}

std::map<unsigned short, unsigned short> connection::read_registers(const std::set<unsigned short>& addresses,
                                                                    bool from_copy)
{
    std::map<unsigned short, unsigned short> result;
    // The end of a block is exclusive and 16 bits wide, so a block can't
    // hold the last register; refuse before any request rather than lose it.
    if (!addresses.empty() && *addresses.rbegin() == 0xFFFF)
        throw std::runtime_error(local8(QObject::tr("Register %1 can't be read in a block").arg(0xFFFF)));

    auto it = addresses.begin();
    while (it != addresses.end()) {
        const unsigned short first = *it;
        unsigned short last = first;
        for (++it; it != addresses.end() && *it == last + 1; ++it)
            last = *it;
        const std::vector<unsigned short> block =
            read_block(first, static_cast<unsigned short>(last + 1), from_copy);
        for (std::size_t i = 0; i < block.size(); ++i)
            result[static_cast<unsigned short>(first + i)] = block[i];
        let_events_run();
    }
    return result;
}

} // namespace modbus
