#pragma once
// velmora-bench: benchmarks of the program's parts against the simulated
// driver. Each benchmark is a command, `velmora-bench <command> [options]`;
// a new one is a function pair and a line in the table of main.cpp.

#include "modbus/connection.h"

#include <chrono>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace sim {
class driver;
}

namespace bench {

struct command {
    const char* name;
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
    void (*usage)(std::ostream& os);
};

// Thrown for a command line that can't be understood.
struct usage_error {
    std::string text;
};

// Reads the number after args[i] (for option args[i]) into `out` and steps
// over it; throws usage_error when it is missing or outside [min, max].
void take_number(const std::vector<std::string>& args, std::size_t& i, long min, long max, long& out);

// The two real back ends.
enum class link_kind { serial, bridge };
const char* name_of(link_kind k);
// Parses "serial", "bridge" or "all".
std::vector<link_kind> links_named(const std::string& name);

// Points the bridge stand-in at the driver's terminal and returns the
// descriptor of a link of kind `k` to it.
modbus::connection::descriptor descriptor_for(link_kind k, const sim::driver& d);

// One 8N1 character at 115200 baud.
constexpr double byte_us = 1e6 * 10 / 115200;
// The silence that ends an RTU frame.
constexpr double gap_chars = 3.5;

struct stats {
    double mean = 0;
    double median = 0;
    double min = 0;
    double p95 = 0;
    double max = 0;
};
// Of durations in microseconds; empty input gives zeros.
stats summarize(std::vector<double> us);

using clock = std::chrono::steady_clock;
inline double micros(clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Forwards to a real back end and adds up the time its requests take.
class timed_backend : public modbus::connection::device {
public:
    explicit timed_backend(std::unique_ptr<modbus::connection::device> inner) : inner_(std::move(inner)) {}

    double link_us = 0;
    unsigned requests = 0;

    int write_registers(unsigned short address, const std::vector<unsigned short>& values) override;
    int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy) override;
    modbus::connection::descriptor& desc() override { return inner_->desc(); }

private:
    std::unique_ptr<modbus::connection::device> inner_;
};

// The benchmarks.
int run_read(const std::vector<std::string>& args);
void usage_read(std::ostream& os);
int run_update(const std::vector<std::string>& args);
void usage_update(std::ostream& os);
int run_memory(const std::vector<std::string>& args);
void usage_memory(std::ostream& os);
int run_window(const std::vector<std::string>& args);
void usage_window(std::ostream& os);
int run_log(const std::vector<std::string>& args);
void usage_log(std::ostream& os);

} // namespace bench
