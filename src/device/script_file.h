#pragma once
// Script and memory-map files on disk.

#include "device/script.h"

#include <QString>

#include <stdexcept>
#include <string>
#include <vector>

namespace profiles {
struct mmap_template;
}

// A file that could not be opened, read or written; the text (local 8-bit)
// says why, as the system put it.
struct script_file_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The lines of a script file, as script::split_lines cuts them. Throws
// script_file_error for a file that is missing, not a regular file (a
// FIFO would block the caller), or can't be read.
std::vector<std::string> read_script_file(const QString& path);

// Writes the memory-map file of a dump and its template (script::write_map).
// The old file stays as it was until the new one is complete: a partial map
// could still parse as a shorter script. Throws script_file_error.
void save_map_file(const QString& path, const script& dump, const profiles::mmap_template& t);
