#pragma once
// A log output that keeps every message it is handed, for tests that check
// what was logged.

#include "dorvane/syslog.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

namespace test_support {

class recording_output : public cl::syslog::output {
public:
    struct entry {
        cl::syslog::message msg;
        cl::syslog::thread_info ti;
    };

    std::vector<entry> entries;

    void clear() { entries.clear(); }
    // The texts of the recorded messages, optionally only of one module.
    std::vector<std::string> texts(const std::string& module = std::string()) const;
    // Whether some recorded text equals `text`.
    bool has(const std::string& text) const;
    // Index of the first recorded text equal to `text` at or after `from`, or -1.
    int index_of(const std::string& text, int from = 0) const;

protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info& ti) override;
};

// Registers a recording output with the log manager once per process and
// returns it (cleared). Outputs can't be removed, so tests share this one.
recording_output& log_recorder();

} // namespace test_support
