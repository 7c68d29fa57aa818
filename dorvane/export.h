#pragma once

// dorvane is built with hidden visibility; what it exports is marked.
#define DORVANE_EXPORT __attribute__((visibility("default")))
