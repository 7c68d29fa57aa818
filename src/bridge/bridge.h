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
    bridge_invalid_parameter = 0x06,
    bridge_system_error = 0x0C,
    bridge_device_not_found = 0xFF
};

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

#ifdef __cplusplus
}
#endif
