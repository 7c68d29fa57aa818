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
// A target that exists and is not a regular file (FIFO, device, socket,
// folder) is refused and left alone. A new map, or a regular file of ours
// with a single name, is replaced only once the new one is complete, with
// the old permissions: a partial map could still parse as a shorter script.
// A file with other hard links, or owned by another user, is written in place
// so that it keeps its names and owner, and so is a file in a folder where no
// file can be created beside it; a failed write there can leave it partial,
// and is reported. Throws map_file_error.
void save_map_file(const QString& path, const script& dump, const profiles::mmap_template& t);
