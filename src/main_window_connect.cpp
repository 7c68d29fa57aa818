#include "main_window.h"

#include "device/device.h"

void main_window::init_device(bool) {}

void main_window::free_device() {}

void main_window::do_connected() {}

void main_window::do_disconnected() {}
