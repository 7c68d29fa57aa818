#include "syslog.h"

namespace cl {
namespace syslog {

output::output() = default;
output::~output() = default;

void output::write(const message& m, const thread_info& ti)
{
    if (!check(m))
        return;
    do_write(m, ti);
}

bool output::check(const message& m)
{
    for (const auto& f : filters_)
        if (!f(m))
            return false;
    return true;
}

void output::filter_add(filter_t f)
{
    filters_.push_back(f);
}

} // namespace syslog
} // namespace cl
