#pragma once
/* The USB bridge library: every call returns a 32-bit status, 0 on success.
 * Plain C, so that C and C++ back ends can call it alike. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t bridge_status;

enum {
    bridge_ok = 0x00,
    bridge_invalid_handle = 0x01,
    bridge_read_error = 0x02,
    bridge_write_error = 0x04,
    bridge_invalid_parameter = 0x06,
    bridge_invalid_request_length = 0x07,
    bridge_invalid_baud_rate = 0x09,
    /* A call of the operating system failed; errno tells why. */
    bridge_system_error = 0x0C,
    bridge_read_timed_out = 0x0D,
    bridge_write_timed_out = 0x0E,
    bridge_device_not_found = 0xFF
};

/* An open device; null is never a valid handle. */
typedef struct bridge_device* bridge_handle;

/* A time-out that never runs out. */
#define BRIDGE_INFINITE_TIMEOUT 0xFFFFFFFFu

/* Options of bridge_product_string. */
enum {
    bridge_option_product_text = 2,
    bridge_option_vendor_id = 3,
    bridge_option_product_id = 4
};

/* The size of the buffer bridge_product_string fills. A text that fills it
 * is not terminated. */
enum { bridge_string_size = 1024 };

/* The number of attached bridge devices. */
bridge_status bridge_device_count(uint32_t* count);

/* One text of device `index` (from 0) by `option`, into `buffer` of
 * bridge_string_size bytes. */
bridge_status bridge_product_string(uint32_t index, void* buffer, uint32_t option);

/* Opens device `index` in raw mode at 115200 baud. */
bridge_status bridge_open(uint32_t index, bridge_handle* handle);

bridge_status bridge_close(bridge_handle handle);

/* Blocks until `count` bytes arrived or the read time-out ran out; a
 * time-out is a success with fewer bytes. `overlapped` must be null. */
bridge_status bridge_read(bridge_handle handle, void* buffer, uint32_t count, uint32_t* count_read,
                          void* overlapped);

/* Waits at most the write time-out for the line to take the bytes.
 * `overlapped` must be null. */
bridge_status bridge_write(bridge_handle handle, void* buffer, uint32_t count, uint32_t* count_written,
                           void* overlapped);

/* Discards what waits to be sent (purge_tx) and what was received and not
 * read (purge_rx). */
bridge_status bridge_flush_buffers(bridge_handle handle, uint8_t purge_tx, uint8_t purge_rx);

/* Time-outs in milliseconds for every device of the process;
 * BRIDGE_INFINITE_TIMEOUT waits for ever. */
bridge_status bridge_set_timeouts(uint32_t read_timeout, uint32_t write_timeout);
bridge_status bridge_get_timeouts(uint32_t* read_timeout, uint32_t* write_timeout);

/* The number of received bytes waiting to be read; `queue_status` tells
 * whether there are any (bridge_rx_queue_*). */
bridge_status bridge_check_rx_queue(bridge_handle handle, uint32_t* queued, uint32_t* queue_status);

enum { bridge_rx_queue_empty = 0x00, bridge_rx_queue_has_data = 0x02 };

bridge_status bridge_set_baud_rate(bridge_handle handle, uint32_t baud_rate);

#ifdef __cplusplus
}
#endif
