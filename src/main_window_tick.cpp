#include "main_window.h"

void main_window::update_tick() {}
