#include "modbus/modbus-silabs.h"

#include "bridge/bridge.h"
#include "modbus/connection.h"
#include "modbus/libmodbus_private.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <vector>

namespace {

// The byte tables of the Modbus RTU CRC. The "high" table yields the byte
// that goes first on the wire, which is the CRC's low-order byte.
const uint8_t table_crc_hi[256] = {
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40,
};

const uint8_t table_crc_lo[256] = {
    0x00, 0xC0, 0xC1, 0x01, 0xC3, 0x03, 0x02, 0xC2, 0xC6, 0x06, 0x07, 0xC7,
    0x05, 0xC5, 0xC4, 0x04, 0xCC, 0x0C, 0x0D, 0xCD, 0x0F, 0xCF, 0xCE, 0x0E,
    0x0A, 0xCA, 0xCB, 0x0B, 0xC9, 0x09, 0x08, 0xC8, 0xD8, 0x18, 0x19, 0xD9,
    0x1B, 0xDB, 0xDA, 0x1A, 0x1E, 0xDE, 0xDF, 0x1F, 0xDD, 0x1D, 0x1C, 0xDC,
    0x14, 0xD4, 0xD5, 0x15, 0xD7, 0x17, 0x16, 0xD6, 0xD2, 0x12, 0x13, 0xD3,
    0x11, 0xD1, 0xD0, 0x10, 0xF0, 0x30, 0x31, 0xF1, 0x33, 0xF3, 0xF2, 0x32,
    0x36, 0xF6, 0xF7, 0x37, 0xF5, 0x35, 0x34, 0xF4, 0x3C, 0xFC, 0xFD, 0x3D,
    0xFF, 0x3F, 0x3E, 0xFE, 0xFA, 0x3A, 0x3B, 0xFB, 0x39, 0xF9, 0xF8, 0x38,
    0x28, 0xE8, 0xE9, 0x29, 0xEB, 0x2B, 0x2A, 0xEA, 0xEE, 0x2E, 0x2F, 0xEF,
    0x2D, 0xED, 0xEC, 0x2C, 0xE4, 0x24, 0x25, 0xE5, 0x27, 0xE7, 0xE6, 0x26,
    0x22, 0xE2, 0xE3, 0x23, 0xE1, 0x21, 0x20, 0xE0, 0xA0, 0x60, 0x61, 0xA1,
    0x63, 0xA3, 0xA2, 0x62, 0x66, 0xA6, 0xA7, 0x67, 0xA5, 0x65, 0x64, 0xA4,
    0x6C, 0xAC, 0xAD, 0x6D, 0xAF, 0x6F, 0x6E, 0xAE, 0xAA, 0x6A, 0x6B, 0xAB,
    0x69, 0xA9, 0xA8, 0x68, 0x78, 0xB8, 0xB9, 0x79, 0xBB, 0x7B, 0x7A, 0xBA,
    0xBE, 0x7E, 0x7F, 0xBF, 0x7D, 0xBD, 0xBC, 0x7C, 0xB4, 0x74, 0x75, 0xB5,
    0x77, 0xB7, 0xB6, 0x76, 0x72, 0xB2, 0xB3, 0x73, 0xB1, 0x71, 0x70, 0xB0,
    0x50, 0x90, 0x91, 0x51, 0x93, 0x53, 0x52, 0x92, 0x96, 0x56, 0x57, 0x97,
    0x55, 0x95, 0x94, 0x54, 0x9C, 0x5C, 0x5D, 0x9D, 0x5F, 0x9F, 0x9E, 0x5E,
    0x5A, 0x9A, 0x9B, 0x5B, 0x99, 0x59, 0x58, 0x98, 0x88, 0x48, 0x49, 0x89,
    0x4B, 0x8B, 0x8A, 0x4A, 0x4E, 0x8E, 0x8F, 0x4F, 0x8D, 0x4D, 0x4C, 0x8C,
    0x44, 0x84, 0x85, 0x45, 0x87, 0x47, 0x46, 0x86, 0x82, 0x42, 0x43, 0x83,
    0x41, 0x81, 0x80, 0x40,
};

// CRC-16/MODBUS of n bytes.
uint16_t crc16(const uint8_t* p, int n)
{
    uint8_t first = 0xFF;
    uint8_t second = 0xFF;
    while (n-- > 0) {
        const unsigned i = first ^ *p++;
        first = static_cast<uint8_t>(second ^ table_crc_hi[i]);
        second = table_crc_lo[i];
    }
    return static_cast<uint16_t>(second << 8 | first);
}

struct _modbus_silabs {
    int index;
    bridge_handle handle;
    // Bytes select has read and recv has not yet handed out.
    std::vector<char> rx;
};

_modbus_silabs& data_of(modbus_t* ctx)
{
    return *static_cast<_modbus_silabs*>(ctx->backend_data);
}

// The bridge calls, as rows of the errno a failure status gives.
enum class bridge_call { open, purge, close, write, read, rx_queue, timeouts };

// errno for a failed call; `sys` is what the call left in errno, which a
// system error passes on.
int errno_for(bridge_call c, bridge_status s, int sys)
{
    switch (c) {
    case bridge_call::open:
        return s == bridge_invalid_parameter ? EINVAL : EIO;
    case bridge_call::purge:
    case bridge_call::close:
        switch (s) {
        case bridge_invalid_handle: return EINVAL;
        case bridge_system_error: return sys;
        default: return EIO;
        }
    case bridge_call::write:
        switch (s) {
        case bridge_invalid_handle:
        case bridge_invalid_parameter:
        case bridge_invalid_request_length: return EINVAL;
        case bridge_system_error: return sys;
        case bridge_write_timed_out: return ETIMEDOUT;
        default: return EIO;
        }
    case bridge_call::read:
        switch (s) {
        case bridge_invalid_handle:
        case bridge_invalid_parameter:
        case bridge_invalid_request_length: return EINVAL;
        case bridge_system_error: return sys;
        // The library's own time-out, so that its recovery applies.
        case bridge_read_timed_out: return ETIMEDOUT;
        default: return EIO;
        }
    case bridge_call::rx_queue:
        return s == bridge_invalid_handle || s == bridge_invalid_parameter ? EINVAL : EIO;
    case bridge_call::timeouts:
        return EIO;
    }
    return EIO;
}

// libmodbus is C: nothing may unwind through its frames.
template <typename R, typename F>
R guarded(R failure, F&& f) noexcept
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
    } catch (...) {
        errno = EIO;
    }
    return failure;
}

template <typename F>
void guarded_void(F&& f) noexcept
{
    try {
        f();
    } catch (...) {
    }
}

int _modbus_set_slave(modbus_t* ctx, int slave)
{
    // Unsigned, so that negative addresses are refused too.
    if (static_cast<unsigned>(slave) > 247) {
        errno = EINVAL;
        return -1;
    }
    ctx->slave = slave;
    return 0;
}

int _modbus_silabs_build_request_basis(modbus_t* ctx, int function, int addr, int nb, uint8_t* req)
{
    req[0] = static_cast<uint8_t>(ctx->slave);
    req[1] = static_cast<uint8_t>(function);
    req[2] = static_cast<uint8_t>(addr >> 8);
    req[3] = static_cast<uint8_t>(addr & 0xFF);
    req[4] = static_cast<uint8_t>(nb >> 8);
    req[5] = static_cast<uint8_t>(nb & 0xFF);
    return 6;
}

int _modbus_silabs_build_response_basis(sft_t* sft, uint8_t* rsp)
{
    rsp[0] = static_cast<uint8_t>(sft->slave);
    rsp[1] = static_cast<uint8_t>(sft->function);
    return 2;
}

int _modbus_silabs_prepare_response_tid(const uint8_t*, int* req_length)
{
    *req_length -= 2;
    return 0;
}

int _modbus_silabs_send_msg_pre(uint8_t* req, int req_length)
{
    const uint16_t crc = crc16(req, req_length);
    req[req_length++] = static_cast<uint8_t>(crc & 0xFF);
    req[req_length++] = static_cast<uint8_t>(crc >> 8);
    return req_length;
}

ssize_t _modbus_silabs_send(modbus_t* ctx, const uint8_t* req, int req_length)
{
    return guarded<ssize_t>(-1, [&]() -> ssize_t {
        _modbus_silabs& d = data_of(ctx);
        // The bridge library wants a buffer it may write to.
        std::vector<uint8_t> frame(req, req + std::max(req_length, 0));
        uint32_t written = 0;
        const bridge_status s =
            bridge_write(d.handle, frame.data(), static_cast<uint32_t>(frame.size()), &written, nullptr);
        const int sys = errno;
        if (s != bridge_ok) {
            std::cerr << "can't send to silabs device:" << s << '\n';
            errno = errno_for(bridge_call::write, s, sys);
            return -1;
        }
        return static_cast<ssize_t>(written);
    });
}

int _modbus_silabs_receive(modbus_t* ctx, uint8_t* req)
{
    return _modbus_receive_msg(ctx, req, modbus_msg_indication);
}

ssize_t _modbus_silabs_recv(modbus_t* ctx, uint8_t* rsp, int rsp_length)
{
    return guarded<ssize_t>(-1, [&]() -> ssize_t {
        _modbus_silabs& d = data_of(ctx);
        const std::size_t wanted = static_cast<std::size_t>(std::max(rsp_length, 0));
        if (!d.rx.empty()) {
            const std::size_t n = std::min(wanted, d.rx.size());
            std::copy_n(d.rx.begin(), n, rsp);
            d.rx.erase(d.rx.begin(), d.rx.begin() + static_cast<std::ptrdiff_t>(n));
            return static_cast<ssize_t>(n);
        }
        uint32_t queued = 0;
        uint32_t queue_status = 0;
        bridge_status s = bridge_check_rx_queue(d.handle, &queued, &queue_status);
        int sys = errno;
        if (s != bridge_ok) {
            std::cerr << "can't check silabs device queue:" << s << '\n';
            errno = errno_for(bridge_call::rx_queue, s, sys);
            return -1;
        }
        const uint32_t n = static_cast<uint32_t>(std::min<std::size_t>(wanted, queued));
        if (n == 0)
            return 0;
        uint32_t got = 0;
        s = bridge_read(d.handle, rsp, n, &got, nullptr);
        sys = errno;
        if (s != bridge_ok) {
            std::cerr << "can't recv from silabs device:" << s << '\n' << "ERROR" << '\n';
            errno = errno_for(bridge_call::read, s, sys);
            return -1;
        }
        return static_cast<ssize_t>(got);
    });
}

int _modbus_silabs_check_integrity(modbus_t* ctx, uint8_t* msg, const int msg_length)
{
    if (msg_length >= 2) {
        const uint16_t crc = crc16(msg, msg_length - 2);
        if (msg[msg_length - 2] == (crc & 0xFF) && msg[msg_length - 1] == (crc >> 8))
            return msg_length;
        if (ctx->debug) {
            // Both in frame order, the first byte high.
            const unsigned received = static_cast<unsigned>(msg[msg_length - 2] << 8 | msg[msg_length - 1]);
            const unsigned calculated = static_cast<unsigned>((crc & 0xFF) << 8 | crc >> 8);
            std::fprintf(stderr, "ERROR CRC received %0X != CRC calculated %0X\n", received, calculated);
        }
    }
    if (ctx->error_recovery & MODBUS_ERROR_RECOVERY_PROTOCOL)
        bridge_flush_buffers(data_of(ctx).handle, 1, 1);
    errno = EMBBADCRC;
    return -1;
}

int _modbus_silabs_connect(modbus_t* ctx)
{
    return guarded(-1, [&]() {
        _modbus_silabs& d = data_of(ctx);
        bridge_handle h = nullptr;
        bridge_status s = bridge_open(static_cast<uint32_t>(d.index), &h);
        int sys = errno;
        if (s != bridge_ok) {
            std::cerr << "can't open silabs device: " << d.index << '\n' << "error: " << s << '\n';
            errno = errno_for(bridge_call::open, s, sys);
            return -1;
        }
        bridge_set_baud_rate(h, modbus::baud);
        s = bridge_flush_buffers(h, 1, 1);
        sys = errno;
        if (s != bridge_ok) {
            // Left open, the device would refuse every later attempt.
            bridge_close(h);
            errno = errno_for(bridge_call::purge, s, sys);
            return -1;
        }
        d.handle = h;
        return 0;
    });
}

void _modbus_silabs_close(modbus_t* ctx)
{
    guarded_void([&] {
        _modbus_silabs& d = data_of(ctx);
        if (!d.handle)
            return;
        const bridge_status s = bridge_close(d.handle);
        const int sys = errno;
        if (s != bridge_ok) {
            std::cerr << "can't close silabs device: " << d.index << '\n' << "error: " << s << '\n';
            errno = errno_for(bridge_call::close, s, sys);
        }
        d.handle = nullptr;
    });
}

int _modbus_silabs_flush(modbus_t* ctx)
{
    const bridge_status s = bridge_flush_buffers(data_of(ctx).handle, 1, 1);
    const int sys = errno;
    if (s != bridge_ok) {
        errno = errno_for(bridge_call::purge, s, sys);
        return -1;
    }
    return 0;
}

// Waits for the expected bytes with one blocking read bounded by the time
// value; the bytes wait in rx for recv.
int _modbus_silabs_select(modbus_t* ctx, fd_set*, struct timeval* tv, int msg_length)
{
    return guarded(-1, [&]() {
        _modbus_silabs& d = data_of(ctx);
        uint32_t timeout = BRIDGE_INFINITE_TIMEOUT;
        if (tv) {
            const long long ms = static_cast<long long>(tv->tv_sec) * 1000 + tv->tv_usec / 1000;
            timeout = static_cast<uint32_t>(std::clamp<long long>(ms, 1, BRIDGE_INFINITE_TIMEOUT - 1));
        }
        uint32_t kept_read = 0;
        uint32_t kept_write = 0;
        if (bridge_get_timeouts(&kept_read, &kept_write) != bridge_ok
            || bridge_set_timeouts(timeout, kept_write) != bridge_ok) {
            errno = errno_for(bridge_call::timeouts, bridge_system_error, errno);
            return -1;
        }
        const uint32_t wanted = static_cast<uint32_t>(std::max(msg_length, 0));
        std::vector<char> buffer(std::max<uint32_t>(wanted, 1), 0);
        uint32_t got = 0;
        const bridge_status s = bridge_read(d.handle, buffer.data(), wanted, &got, nullptr);
        const int sys = errno;
        // The time-outs are the whole process's: set them back in any case.
        const bool restored = bridge_set_timeouts(kept_read, kept_write) == bridge_ok;
        if (s != bridge_ok) {
            std::cerr << "can't select from silabs device:" << s << '\n' << "ERROR" << '\n';
            errno = errno_for(bridge_call::read, s, sys);
            return -1;
        }
        d.rx.insert(d.rx.end(), buffer.begin(), buffer.begin() + got);
        if (!restored) {
            errno = errno_for(bridge_call::timeouts, bridge_system_error, sys);
            return -1;
        }
        // Nothing came at all: a time-out, as the library's own back ends
        // report it, not a lost connection.
        if (got == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        return static_cast<int>(got);
    });
}

void _modbus_silabs_free(modbus_t* ctx)
{
    if (!ctx)
        return;
    guarded_void([&] {
        _modbus_silabs* d = static_cast<_modbus_silabs*>(ctx->backend_data);
        if (d && d->handle)
            bridge_close(d->handle);
        delete d;
    });
    std::free(ctx);
}

const modbus_backend_t modbus_silabs_backend = {
    modbus_backend_type_rtu,
    1,   // header length: the slave address
    2,   // checksum length
    256, // maximum ADU length
    _modbus_set_slave,
    _modbus_silabs_build_request_basis,
    _modbus_silabs_build_response_basis,
    _modbus_silabs_prepare_response_tid,
    _modbus_silabs_send_msg_pre,
    _modbus_silabs_send,
    _modbus_silabs_receive,
    _modbus_silabs_recv,
    _modbus_silabs_check_integrity,
    nullptr, // pre_check_confirmation
    _modbus_silabs_connect,
    _modbus_silabs_close,
    _modbus_silabs_flush,
    _modbus_silabs_select,
    _modbus_silabs_free,
};

} // namespace

extern "C" modbus_t* _modbus_new_silabs(int index)
{
    if (!modbus::private_interface_matches()) {
        std::cerr << "libmodbus " << libmodbus_version_major << '.' << libmodbus_version_minor << '.'
                  << libmodbus_version_micro << " is not the " LIBMODBUS_VERSION_STRING
                                                " the silabs back end was built for\n";
        errno = ENOTSUP;
        return nullptr;
    }
    modbus_t* ctx = static_cast<modbus_t*>(std::calloc(1, sizeof(modbus_t)));
    if (!ctx) {
        errno = ENOMEM;
        return nullptr;
    }
    _modbus_init_common(ctx);
    // Never used as a descriptor: select gets its bytes from the bridge.
    ctx->s = 0;
    ctx->backend = &modbus_silabs_backend;
    ctx->backend_data = new (std::nothrow) _modbus_silabs{index, nullptr, {}};
    if (!ctx->backend_data) {
        std::free(ctx);
        errno = ENOMEM;
        return nullptr;
    }
    return ctx;
}
