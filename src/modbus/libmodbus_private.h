#pragma once
// The parts of libmodbus 3.1.6 that its public header keeps to itself and
// that a back end of our own has to plug into: the context, the back-end
// operation table and two functions the library exports. Debian ships no
// private header, so they are declared here, for this one version only.

#include <modbus.h>

#include <cstddef>
#include <cstdint>

#include <sys/select.h>
#include <sys/time.h>
#include <sys/types.h>

#if !defined(LIBMODBUS_VERSION_HEX) || LIBMODBUS_VERSION_HEX != 0x030106
#error "the private interface of libmodbus is declared for version 3.1.6 only"
#endif

extern "C" {

// Slave, function and transaction id of a response being built.
typedef struct _sft {
    int slave;
    int function;
    int t_id;
} sft_t;

typedef struct _modbus_backend {
    unsigned int backend_type;
    unsigned int header_length;
    unsigned int checksum_length;
    unsigned int max_adu_length;
    int (*set_slave)(modbus_t* ctx, int slave);
    int (*build_request_basis)(modbus_t* ctx, int function, int addr, int nb, uint8_t* req);
    int (*build_response_basis)(sft_t* sft, uint8_t* rsp);
    int (*prepare_response_tid)(const uint8_t* req, int* req_length);
    int (*send_msg_pre)(uint8_t* req, int req_length);
    ssize_t (*send)(modbus_t* ctx, const uint8_t* req, int req_length);
    // Server side: receives one indication.
    int (*receive)(modbus_t* ctx, uint8_t* req);
    // Raw bytes, after select said how many to expect.
    ssize_t (*recv)(modbus_t* ctx, uint8_t* rsp, int rsp_length);
    int (*check_integrity)(modbus_t* ctx, uint8_t* msg, const int msg_length);
    // May be null.
    int (*pre_check_confirmation)(modbus_t* ctx, const uint8_t* req, const uint8_t* rsp, int rsp_length);
    int (*connect)(modbus_t* ctx);
    void (*close)(modbus_t* ctx);
    int (*flush)(modbus_t* ctx);
    int (*select)(modbus_t* ctx, fd_set* rset, struct timeval* tv, int msg_length);
    // Called unchecked by modbus_free: releases the back-end data and the
    // context itself.
    void (*free)(modbus_t* ctx);
} modbus_backend_t;

struct _modbus {
    int slave;
    // The descriptor the library waits on. Debian's fortified FD_SET aborts
    // on -1, so a back end without one keeps a harmless placeholder here.
    int s;
    int debug;
    int error_recovery;
    struct timeval response_timeout;
    struct timeval byte_timeout;
    struct timeval indication_timeout;
    const modbus_backend_t* backend;
    void* backend_data;
};

// The library's backend_type of RTU.
enum { modbus_backend_type_rtu = 0 };
// msg_type of _modbus_receive_msg.
enum { modbus_msg_indication = 0, modbus_msg_confirmation = 1 };

// Slave and s to -1, no debug output, no error recovery, response and byte
// time-outs 0.5 s, no indication time-out.
void _modbus_init_common(modbus_t* ctx);

// Receives one message through the back end's select and recv and checks
// its integrity; returns its length or -1 with errno set.
int _modbus_receive_msg(modbus_t* ctx, uint8_t* msg, int msg_type);

} // extern "C"

static_assert(sizeof(struct _modbus) == 80 || sizeof(void*) != 8,
              "the libmodbus 3.1.6 context is 80 bytes on 64-bit targets");
static_assert(offsetof(struct _modbus, response_timeout) == 16, "libmodbus 3.1.6 context layout");
static_assert(offsetof(struct _modbus, backend) == 16 + 3 * sizeof(struct timeval),
              "libmodbus 3.1.6 context layout");

namespace modbus {

// Whether the library loaded at run time is the one this was declared for.
inline bool private_interface_matches()
{
    return libmodbus_version_major == LIBMODBUS_VERSION_MAJOR && libmodbus_version_minor == LIBMODBUS_VERSION_MINOR
           && libmodbus_version_micro == LIBMODBUS_VERSION_MICRO;
}

} // namespace modbus
