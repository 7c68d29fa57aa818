#include "main_window.h"

// No editor is ever made; the one who makes one deletes it here.
void memory_table_deleter::operator()(memory_table*) const {}
