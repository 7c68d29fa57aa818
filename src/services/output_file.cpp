#include "output_file.h"
#include "output_common.h"

#include <boost/filesystem.hpp>

#include <stdexcept>

namespace cl {
namespace syslog {

output_file::output_file(const std::string& path, bool append)
{
    const boost::filesystem::path parent = boost::filesystem::path(path).parent_path();
    if (!parent.empty())
        boost::filesystem::create_directories(parent);
    file_.open(path, std::ios::out | (append ? std::ios::app : std::ios::trunc));
    if (!file_.good())
        throw std::runtime_error("Can't open file " + path);
}

void output_file::do_write(const message& m, const thread_info& ti)
{
    file_ << internal::message_to_str(m, ti);
    file_.flush();
}

} // namespace syslog
} // namespace cl
