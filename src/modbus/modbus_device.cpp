#include "modbus/modbus_device.h"

#include "dorvane/syslog.h"
#include "modbus/errors.h"
#include "modbus/modbus-silabs.h"
#include "services/local8.h"

#include <QObject>
#include <QThread>

#include <modbus.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string>

namespace {

cl::syslog::module ___syslog("modbus");

std::string error_text(int e)
{
    return modbus_strerror(e);
}

modbus::connection::modbus_device::pause_function& pause_slot()
{
    static modbus::connection::modbus_device::pause_function f;
    return f;
}

// A request failed on its last attempt with error number e.
[[noreturn]] void throw_request_failure(int e, const QString& unknown)
{
    const QString text = modbus::connection_error_text(e);
    if (!text.isNull())
        throw modbus::connection_exception(local8(text), e);
    throw std::runtime_error(local8(unknown) + error_text(e));
}

// A Modbus exception answer is the driver's word: no further attempt.
void throw_if_answered(int e)
{
    const QString text = modbus::protocol_error_text(e);
    if (!text.isNull())
        throw modbus::protocol_exception(local8(text), e);
}

} // namespace

namespace modbus {

connection::modbus_device::modbus_device(descriptor d, int tries) : desc_(std::move(d)), tries_(tries)
{
    if (tries_ < 1)
        throw std::runtime_error(local8(QObject::tr("Can't connect with %1 attempts").arg(tries_)));
    for (int i = 0;; ++i) {
        VLOG(cl::syslog::dbg) << "Using tries to connect devices: " << i;
        try {
            init();
            return;
        } catch (...) {
            if (i + 1 >= tries_)
                throw;
        }
    }
}

connection::modbus_device::~modbus_device()
{
    if (ctx_) {
        modbus_close(ctx_);
        modbus_free(ctx_);
    }
}

void connection::modbus_device::init()
{
    switch (desc_.type) {
    case serial_link:
        VLOG(cl::syslog::hard) << "trying to open COM device: " << desc_.location << " ...";
        errno = 0;
        ctx_ = modbus_new_rtu(desc_.location.c_str(), baud, 'N', 8, 1);
        break;
    case bridge_link:
        VLOG(cl::syslog::hard) << "trying to open silabs device: " << desc_.location << " ...";
        errno = 0;
        ctx_ = _modbus_new_silabs(desc_.index);
        break;
    default:
        throw std::runtime_error(local8(QObject::tr("Unsupported device type")));
    }
    int e = errno;
    if (!ctx_) {
        const std::string text = error_text(e);
        VLOG(cl::syslog::err) << "opening modbus failed:" << text;
        throw std::runtime_error(local8(QObject::tr("Can't connect to modbus: ")) + text);
    }

    // A context that got as far as connecting may hold the device open:
    // close it too, or the next attempt finds the device taken.
    auto release = [this] {
        modbus_close(ctx_);
        modbus_free(ctx_);
        ctx_ = nullptr;
    };

    errno = 0;
    if (modbus_connect(ctx_) == -1) {
        e = errno;
        const std::string text = error_text(e);
        VLOG(cl::syslog::err) << "connection to modbus failed:" << text;
        release();
        throw std::runtime_error(local8(QObject::tr("Connection failed: ")) + text);
    }
    errno = 0;
    if (modbus_set_slave(ctx_, slave) == -1) {
        e = errno;
        const std::string text = error_text(e);
        VLOG(cl::syslog::err) << "setting modbus slave failed:" << text;
        release();
        throw std::runtime_error("Can't assign slave: " + text);
    }
}

int connection::modbus_device::read_registers(unsigned short address, std::vector<unsigned short>& values,
                                              bool from_copy)
{
    VLOG(cl::syslog::hard) << "reading addr:" << address << " size:" << values.size();
    if (from_copy) {
        VLOG(cl::syslog::dbg) << "reading from virtual memory copy";
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = memory_copy_[static_cast<unsigned short>(address + i)];
        return static_cast<int>(values.size());
    }

    cl::syslog::autolog_ptr finished;
    if (cl::syslog::logman().level_check(cl::syslog::dbg))
        *finished.change(new cl::syslog::autolog(___syslog)) << cl::syslog::dbg << "read_registers finished";

    int e = 0;
    for (int i = 0; i < tries_; ++i) {
        errno = 0;
        const int rc = modbus_read_registers(ctx_, address, static_cast<int>(values.size()), values.data());
        e = errno;
        if (rc > 0) {
            values.resize(std::min(values.size(), static_cast<std::size_t>(rc)));
            for (std::size_t j = 0; j < values.size(); ++j)
                memory_copy_[static_cast<unsigned short>(address + j)] = values[j];
            return rc;
        }
        throw_if_answered(e);
        modbus_flush(ctx_);
        pause();
    }
    throw_request_failure(e, QObject::tr("Unknown read error: "));
}

int connection::modbus_device::write_registers(unsigned short address, const std::vector<unsigned short>& values)
{
    VLOG(cl::syslog::info) << "writing addr:" << address << " size:" << values.size();
    int e = 0;
    for (int i = 0; i < tries_; ++i) {
        VLOG(cl::syslog::info) << "writing counter: " << i;
        errno = 0;
        const int rc = modbus_write_registers(ctx_, address, static_cast<int>(values.size()), values.data());
        e = errno;
        VLOG(cl::syslog::info) << "writing response: " << rc;
        VLOG(cl::syslog::info) << "writing errno: " << e;
        if (rc > 0) {
            for (std::size_t j = 0; j < values.size(); ++j)
                memory_copy_[static_cast<unsigned short>(address + j)] = values[j];
            VLOG(cl::syslog::info) << "write ok! return...";
            return rc;
        }
        if (!protocol_error_text(e).isNull()) {
            VLOG(cl::syslog::info) << "write protocol error! return...";
            throw_if_answered(e);
        }
        VLOG(cl::syslog::info) << "write flushing modbus...";
        modbus_flush(ctx_);
        pause();
        VLOG(cl::syslog::info) << "write try next";
    }
    VLOG(cl::syslog::info) << "write tries ends - throwing error:" << e;
    throw_request_failure(e, QObject::tr("Unknown write error: "));
}

connection::modbus_device::pause_function connection::modbus_device::set_pause(pause_function f)
{
    std::swap(pause_slot(), f);
    return f;
}

void connection::modbus_device::pause()
{
    if (const pause_function& f = pause_slot())
        f();
    else
        QThread::sleep(1);
}

std::unique_ptr<connection::device> open_modbus_device(const connection::descriptor& d, int tries)
{
    return std::unique_ptr<connection::device>(new connection::modbus_device(d, tries));
}

} // namespace modbus
