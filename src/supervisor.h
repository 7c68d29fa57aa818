#pragma once
// The supervisor: a process without a window that keeps the log file and
// runs the program's own executable again as the GUI process.

#include <string>

class QCoreApplication;
class QProcess;

// The supervisor's child process object; null before it is made and again
// once the child has ended or failed.
extern QProcess* proc;

// "/velmora.log" in the user's home directory, in the local 8-bit encoding.
std::string log_file_path();

// Adds the log file at `path` (emptied) to the log outputs. A file that
// can't be made is reported on standard output and the supervisor goes on
// without it: the GUI process matters more than its log. False then.
bool add_log_file(const std::string& path);

// Starts the running executable with "--single" in front of the
// application's arguments and relays its output, errors and end into the
// log. Returns at once; the relays run from the event loop, and when the
// child ends or fails the event loop is asked to exit with the child's
// exit code or -1. `proc` holds the child process object until then.
void wrap_process(QProcess*& proc, QCoreApplication& app);
