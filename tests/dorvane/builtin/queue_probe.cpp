// Links nothing but the profile library, so that the only static
// initialisers that run are the library's own. Standard error gets the
// library's queueing lines; standard output the registration lines of the
// log and then the registered identifiers.

#include "dorvane/profile.h"
#include "dorvane/syslog.h"

#include <boost/make_shared.hpp>

#include <iostream>

namespace {

class print_output : public cl::syslog::output {
protected:
    void do_write(const cl::syslog::message& m, const cl::syslog::thread_info&) override
    {
        if (m.module == "profiles")
            std::cout << m.text << '\n';
    }
};

} // namespace

int main()
{
    cl::syslog::logman().output_add(boost::make_shared<print_output>());
    profiles::init_profiles();
    std::cout << "registered:";
    for (const auto id : profiles::profile_list())
        std::cout << ' ' << id;
    std::cout << std::endl;
    return 0;
}
