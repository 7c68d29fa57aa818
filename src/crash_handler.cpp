#include "crash_handler.h"

#include <csignal>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_SANITIZED 1
#endif
#endif

namespace {

#ifndef VELMORA_SANITIZED
// Only async-signal-safe calls: the faulting frame may hold any lock, so
// neither stdio nor exit() (which runs static destructors) may be used.
// Every log line is flushed when written, so nothing of the log is lost.
void exception_handler(int)
{
    static const char text[] = "Exception detected!\n";
    ssize_t written = ::write(STDOUT_FILENO, text, sizeof text - 1);
    (void)written;
    ::_exit(1);
}

// The handler's own stack: an overflowed stack has no room left for it.
alignas(16) char alternate_stack[64 * 1024];
#endif

} // namespace

bool install_crash_handler()
{
#ifdef VELMORA_SANITIZED
    return false;
#else
    stack_t ss;
    std::memset(&ss, 0, sizeof ss);
    ss.ss_sp = alternate_stack;
    ss.ss_size = sizeof alternate_stack;
    if (::sigaltstack(&ss, nullptr) != 0)
        return false;

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = exception_handler;
    sigemptyset(&sa.sa_mask);
    // A fault inside the handler itself then ends the process the default way.
    sa.sa_flags = SA_ONSTACK | SA_RESETHAND;
    bool ok = true;
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE})
        ok = ::sigaction(sig, &sa, nullptr) == 0 && ok;
    return ok;
#endif
}

void ignore_sigpipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}
