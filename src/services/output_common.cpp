#include "output_common.h"

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/format.hpp>

#include <cstdint>
#include <locale>
#include <sstream>

namespace cl {
namespace syslog {
namespace internal {

std::string level_to_str(level_t l)
{
    switch (static_cast<int>(l)) {
    case 0: return "hard";
    case 1: return "dbg ";
    case 2: return "info";
    case 3: return "warn";
    case 4: return "err ";
    case 5: return "crit";
    default: return "unkn";
    }
}

namespace {

std::string time_to_str(const boost::posix_time::ptime& t)
{
    // The default facet, always with English month names.
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << t;
    return s.str();
}

} // namespace

std::string message_to_str(const message& m, const thread_info& ti)
{
    std::int64_t delta = 0;
    if (!ti.last.is_special() && !ti.prev.is_special())
        delta = (ti.last - ti.prev).total_microseconds();
    boost::format f("%1% D:%2$6d TH:%3% (%4%)%5% %6%: %7%\n", std::locale::classic());
    f % time_to_str(ti.last) % delta % ti.number % level_to_str(m.level) % static_cast<int>(m.level) % m.module % m.text;
    return f.str();
}

} // namespace internal
} // namespace syslog
} // namespace cl
