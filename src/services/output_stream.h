#pragma once

#include "dorvane/syslog.h"

#include <ostream>

namespace cl {
namespace syslog {

// Writes log lines to a stream it does not own.
class output_stream : public output {
public:
    explicit output_stream(std::ostream& stream);

protected:
    void do_write(const message& m, const thread_info& ti) override;

private:
    std::ostream& stream_;
};

} // namespace syslog
} // namespace cl
