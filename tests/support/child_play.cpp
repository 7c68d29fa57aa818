#include "child_play.h"

#include "crash_handler.h"

#include <cstdlib>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace test_support {

namespace {

const char* const child_var = "VELMORA_TEST_CHILD";

void write_all(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Deep enough frames that the stack overflows quickly; the volatile buffer
// and the use after the call keep the compiler from making a loop of it.
volatile int never = -1;

__attribute__((noinline)) int recurse(int depth)
{
    if (depth == never)
        return 0;
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}

void fault(const QByteArray& kind)
{
    // A faulting test child leaves no core file behind.
    struct rlimit none = {0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    if (kind == "segv") {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    } else if (kind == "overflow") {
        recurse(0);
    } else if (kind == "fpe") {
        // Both volatile: GCC turns 1 / x into a comparison.
        volatile int one = 1;
        volatile int zero = 0;
        volatile int quotient = one / zero;
        (void)quotient;
    }
}

} // namespace

const char* const extra_args[2] = {"first", "second one"};

child_script& child_script::step(const char* verb, const QByteArray& arg)
{
    steps_ << (arg.isNull() ? QByteArray(verb) : QByteArray(verb) + '=' + arg);
    return *this;
}

void child_script::set() const
{
    qputenv(child_var, steps_.join(';'));
}

bool sanitized_build()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

bool is_child(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--single") == 0)
            return true;
    return false;
}

int play_child(int argc, char** argv)
{
    for (const QByteArray& step : qgetenv(child_var).split(';')) {
        const int eq = step.indexOf('=');
        const QByteArray verb = eq < 0 ? step : step.left(eq);
        const QByteArray arg = eq < 0 ? QByteArray() : step.mid(eq + 1);
        if (verb == "out" || verb == "err") {
            write_all(verb == "out" ? STDOUT_FILENO : STDERR_FILENO, QByteArray::fromHex(arg));
        } else if (verb == "report") {
            QByteArray line = "args:";
            for (int i = 1; i < argc; ++i)
                line += (i > 1 ? "|" : "") + QByteArray(argv[i]);
            line += std::getenv("WRAPPED") ? " wrapped:yes\n" : " wrapped:no\n";
            write_all(STDOUT_FILENO, line);
        } else if (verb == "handler") {
            install_crash_handler();
        } else if (verb == "nopipe") {
            ignore_sigpipe();
        } else if (verb == "brokenpipe") {
            int fds[2];
            if (::pipe(fds) != 0)
                return 100;
            ::close(fds[0]);
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[1]);
            std::cout << "nobody reads this" << std::endl;
        } else if (verb == "raise") {
            std::raise(arg.toInt());
        } else if (verb == "exit") {
            return arg.toInt();
        } else if (!verb.isEmpty()) {
            fault(verb);
        }
    }
    return 0;
}

std::vector<char*> with_extra_args(int argc, char** argv)
{
    std::vector<char*> r(argv, argv + argc);
    for (const char* a : extra_args)
        r.push_back(const_cast<char*>(a));
    r.push_back(nullptr);
    return r;
}

} // namespace test_support
