#include "main_window.h"

void main_window::init_graphics() {}
