#include "output_stream.h"
#include "output_common.h"

namespace cl {
namespace syslog {

output_stream::output_stream(std::ostream& stream) : stream_(stream) {}

void output_stream::do_write(const message& m, const thread_info& ti)
{
    // Standard output is a pipe to the supervisor: a line kept in the
    // buffer would be lost if the process died.
    stream_ << internal::message_to_str(m, ti);
    stream_.flush();
}

} // namespace syslog
} // namespace cl
