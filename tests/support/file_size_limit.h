#pragma once
// While it lives, files of this process can't grow beyond a size: a disk
// that fills up half-way through a write.

#include <sys/resource.h>

#include <csignal>

namespace test_support {

class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        // The write fails with EFBIG instead of ending the process.
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = saved_;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~file_size_limit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_handler_);
    }
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;

private:
    rlimit saved_;
    void (*old_handler_)(int);
};

} // namespace test_support
