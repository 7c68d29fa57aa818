#include "syslog.h"

namespace cl {
namespace syslog {

module::module(const char* n) : name(n ? n : "") {}
module::module(const std::string& n) : name(n) {}

message::message() : level(dbg) {}
message::message(level_t l, const std::string& m, const std::string& t) : level(l), module(m), text(t) {}
message::message(const message&) = default;
message& message::operator=(const message&) = default;
message::~message() = default;

thread_info::thread_info() : number(0) {}

} // namespace syslog
} // namespace cl
