// Writes log lines through the program's outputs to standard output and to
// a file, then checks that the file holds exactly what a third output saw.
// CTest checks the form of the lines on standard output.

#include "services/output_file.h"
#include "services/output_stream.h"

#include <boost/make_shared.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

namespace {
cl::syslog::module ___syslog("main");
}

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    std::ostringstream copy;
    auto& man = cl::syslog::logman();
    man.output_add(boost::make_shared<cl::syslog::output_stream>(std::cout));
    man.output_add(boost::make_shared<cl::syslog::output_file>(argv[1], false));
    man.output_add(boost::make_shared<cl::syslog::output_stream>(copy));

    VLOG(cl::syslog::dbg) << "Syslog started";
    VLOG(cl::syslog::warn) << "value:" << 42;

    std::ifstream in(argv[1]);
    std::stringstream file;
    file << in.rdbuf();
    if (file.str() != copy.str() || copy.str().empty()) {
        std::cerr << "file and stream differ\n";
        return 1;
    }
    return 0;
}
