#include "main_window.h"

void main_window::run_script_command() {}

void main_window::save_map_command() {}
