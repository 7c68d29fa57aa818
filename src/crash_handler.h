#pragma once
// What the process does on a hardware fault and on a broken pipe.

// Installs the fault handler for SIGSEGV, SIGBUS, SIGILL and SIGFPE: it
// writes "Exception detected!\n" to standard output and ends the process
// with exit code 1, so that the supervisor logs a normal end. Runs on an
// alternate stack, so that a stack overflow reaches it too. Returns false
// and installs nothing in a sanitizer build, whose own report of the fault
// says more.
bool install_crash_handler();

// A write to a pipe whose reader is gone (a supervisor that was killed)
// fails instead of ending the process silently.
void ignore_sigpipe();
