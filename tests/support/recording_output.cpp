#include "recording_output.h"

namespace test_support {

void recording_output::do_write(const cl::syslog::message& m, const cl::syslog::thread_info& ti)
{
    entries.push_back({m, ti});
}

std::vector<std::string> recording_output::texts(const std::string& module) const
{
    std::vector<std::string> r;
    for (const auto& e : entries)
        if (module.empty() || e.msg.module == module)
            r.push_back(e.msg.text);
    return r;
}

bool recording_output::has(const std::string& text) const
{
    return index_of(text) >= 0;
}

int recording_output::index_of(const std::string& text, int from) const
{
    for (int i = from; i < static_cast<int>(entries.size()); ++i)
        if (entries[i].msg.text == text)
            return i;
    return -1;
}

recording_output& log_recorder()
{
    static boost::shared_ptr<recording_output> rec;
    if (!rec) {
        rec.reset(new recording_output);
        cl::syslog::logman().output_add(rec);
    }
    rec->clear();
    return *rec;
}

} // namespace test_support
