#include "modbus/devices.h"

#include "bridge/bridge.h"
#include "dorvane/syslog.h"
#include "services/local8.h"
#include "services/settings.h"

#include <QCoreApplication>
#include <QSerialPortInfo>

#include <stdexcept>

namespace {

cl::syslog::module ___syslog("modbus");

std::vector<modbus::serial_port> system_serial_ports()
{
    std::vector<modbus::serial_port> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back({local8(info.portName()), local8(info.systemLocation())});
    return ports;
}

std::function<std::vector<modbus::serial_port>()>& serial_port_source()
{
    static std::function<std::vector<modbus::serial_port>()> source;
    return source;
}

std::runtime_error failure(const char* text)
{
    return std::runtime_error(local8(QCoreApplication::translate("QObject", text)));
}

// One product string, or false when the bridge refuses it.
bool product_string(uint32_t index, uint32_t option, std::string& text)
{
    char buffer[bridge_string_size];
    if (bridge_product_string(index, buffer, option) != bridge_ok)
        return false;
    // A text that fills the buffer comes without its NUL.
    buffer[bridge_string_size - 1] = '\0';
    text = buffer;
    return true;
}

void append_bridge_devices(std::vector<modbus::connection::descriptor>& list)
{
    uint32_t count = 0;
    if (bridge_device_count(&count) != bridge_ok)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name, pid, vid;
        if (!product_string(i, bridge_option_product_text, name) ||
            !product_string(i, bridge_option_product_id, pid) || !product_string(i, bridge_option_vendor_id, vid))
            continue;
        modbus::connection::descriptor d;
        d.name = name;
        d.type = modbus::bridge_link;
        d.kind = "USBXpress";
        d.index = static_cast<int>(i);
        d.pid = QString::fromLocal8Bit(pid.c_str());
        d.vid = QString::fromLocal8Bit(vid.c_str());
        VLOG(cl::syslog::dbg) << "product_desc:" << d.name;
        VLOG(cl::syslog::dbg) << "product_PID:" << pid;
        VLOG(cl::syslog::dbg) << "product_VID:" << vid;
        list.push_back(d);
    }
}

bool name_matches(const modbus::connection::descriptor& d)
{
    const QString name = QString::fromLocal8Bit(d.name.c_str());
    return name.contains(QLatin1String("tarnwick"), Qt::CaseInsensitive) &&
           name.contains(QLatin1String("solvery"), Qt::CaseInsensitive);
}

// An empty setting would be contained in every identifier, even in those of
// serial ports and the autodetect entry itself: then the test is skipped.
bool identifiers_match(const modbus::connection::descriptor& d)
{
    const QString pid = settings().pid();
    if (pid.isEmpty() || !d.pid.contains(pid, Qt::CaseSensitive))
        return false;
    const QString vid = settings().vid();
    return !vid.isEmpty() && d.vid.contains(vid, Qt::CaseSensitive);
}

} // namespace

namespace modbus {

void set_serial_port_source(std::function<std::vector<serial_port>()> source)
{
    serial_port_source() = std::move(source);
}

std::string to_string(connection::descriptor const& d)
{
    switch (d.type) {
    case emulation_link:
    case serial_link:
    case autodetect_link:
        return d.name;
    case bridge_link:
        return d.kind + ":" + std::to_string(d.index);
    default:
        throw failure(QT_TRANSLATE_NOOP("QObject", "unknown connection type"));
    }
}

std::vector<connection::descriptor> devices()
{
    std::vector<connection::descriptor> list;

    connection::descriptor autodetect;
    autodetect.name = "Autodetect";
    autodetect.type = autodetect_link;
    autodetect.kind = "Autodetect";
    list.push_back(autodetect);

    const auto& source = serial_port_source();
    for (const serial_port& p : source ? source() : system_serial_ports()) {
        connection::descriptor d;
        d.name = p.name;
        d.type = serial_link;
        d.kind = "COM";
        d.location = p.location;
        d.index = -1;
        list.push_back(d);
    }

    append_bridge_devices(list);
    return list;
}

connection::descriptor device(std::string const& id)
{
    connection::descriptor match;
    bool found = false;
    for (const connection::descriptor& d : devices())
        if (to_string(d) == id) {
            match = d;
            found = true;
            break;
        }
    if (!found)
        throw failure(QT_TRANSLATE_NOOP("QObject", "there is no such device"));
    if (match.type != autodetect_link)
        return match;

    VLOG(cl::syslog::dbg) << "Try to autodetect...";
    for (const connection::descriptor& d : devices()) {
        VLOG(cl::syslog::dbg) << "detecting " << d.name;
        if (name_matches(d)) {
            VLOG(cl::syslog::dbg) << "OK!";
            return d;
        }
        if (identifiers_match(d)) {
            VLOG(cl::syslog::dbg) << "OK by pid";
            return d;
        }
    }
    VLOG(cl::syslog::dbg) << "failed!";
    throw failure(QT_TRANSLATE_NOOP("QObject", "Can't autodetect device"));
}

} // namespace modbus
