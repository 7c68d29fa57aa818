#pragma once
// The text form of one log line, shared by every output of the program.

#include "dorvane/syslog.h"

#include <string>

namespace cl {
namespace syslog {
namespace internal {

std::string level_to_str(level_t l);
std::string message_to_str(const message& m, const thread_info& ti);

} // namespace internal
} // namespace syslog
} // namespace cl
