#pragma once

#include "dorvane/syslog.h"

#include <fstream>
#include <string>

namespace cl {
namespace syslog {

// Writes log lines to a file it owns, flushing every line.
class output_file : public output {
public:
    output_file(const std::string& path, bool append);

protected:
    void do_write(const message& m, const thread_info& ti) override;

private:
    std::fstream file_;
};

} // namespace syslog
} // namespace cl
