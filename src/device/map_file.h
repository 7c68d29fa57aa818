#pragma once
// Memory-map files on disk.

#include "device/script.h"

#include <QString>

#include <stdexcept>

namespace profiles {
struct mmap_template;
}

// A map file that could not be written; the text (local 8-bit) says why,
// as the system put it.
struct map_file_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Writes the memory-map file of a dump and its template (script::write_map).
// The old file stays as it was until the new one is complete: a partial map
// could still parse as a shorter script. Throws map_file_error.
void save_map_file(const QString& path, const script& dump, const profiles::mmap_template& t);
