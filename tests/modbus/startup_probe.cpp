// Prints every log line as it is written, from before the program's own
// static initialisation on, then "main" when main starts.

#include "dorvane/syslog.h"

#include <iostream>

namespace {

class stdout_output : public cl::syslog::output {
protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info&) override
    {
        std::cout << m.module << ": " << m.text << std::endl;
    }
};

struct early_output {
    early_output() { cl::syslog::logman().output_add(boost::shared_ptr<cl::syslog::output>(new stdout_output)); }
};

// Ahead of every initialiser of default priority, whatever the link order.
early_output installed __attribute__((init_priority(101)));

} // namespace

int main()
{
    std::cout << "main" << std::endl;
    return 0;
}
