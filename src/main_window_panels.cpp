#include "main_window.h"

#include "dorvane/profile.h"

void main_window::init_static_panel() {}

void main_window::init_control_panel() {}

void main_window::show_page(QPushButton*, const std::vector<profiles::item>&) {}
