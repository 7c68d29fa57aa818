#pragma once
// A simulated servo driver: a Modbus RTU slave (address 1) with a full
// holding-register map, served by libmodbus on a pseudo-terminal of its own.
// Tests run it in-process and open tty_path() with modbus_new_rtu; the
// velmora-sim program serves one from the command line.
//
// start(), stop(), running() and tty_path() belong to the thread that owns
// the driver; everything else may be called from any thread at any time.
//
// A master that closes the terminal loses the answers it left unread, as on
// a serial port; only a master that opens it again within a moment of the
// close might still find them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// One sample buffer of the driver's scope and the register that tells the
// master a new buffer is ready.
struct scope_graph {
    std::uint16_t trigger = 0;
    std::uint16_t start = 0;
    std::uint32_t count = 0; // samples, one register each; at most 65536
    std::chrono::milliseconds period{200};
    std::int16_t amplitude = 10000;
    double phase = 0.0; // radians
};

// The four buffers of a 6469 driver (triggers 0x88, 0x8A, 0x8C, 0x8E;
// 256 samples from 0x10E, 0x20E, 0x30E, 0x40E), each with its own
// amplitude and phase.
std::vector<scope_graph> graphs_6469(std::chrono::milliseconds period = std::chrono::milliseconds(200));

// One request as the driver received it. For functions 5, 6 and 22 the
// count is 1; for 23 address and count are those of the read part; for
// functions without an address both are 0.
struct request {
    std::uint8_t function = 0;
    std::uint16_t address = 0;
    std::uint16_t count = 0;

    bool operator==(const request& o) const
    {
        return function == o.function && address == o.address && count == o.count;
    }
    bool operator!=(const request& o) const { return !(*this == o); }
};

class driver {
public:
    static constexpr int slave = 1;
    static constexpr std::uint16_t identity_address = 0xFFF0;
    // One byte of 8N1 at 115200 baud: 10 bits.
    static constexpr std::chrono::nanoseconds byte_time{86806};

    // Registers all 0 except the identity block 6469, 3, 17, 6489; wire-time
    // emulation on; no faults; no scope. Not yet serving.
    driver();
    // Stops serving.
    ~driver();
    driver(const driver&) = delete;
    driver& operator=(const driver&) = delete;

    // Opens a new pseudo-terminal and serves it from a thread of its own.
    // Does nothing when already serving. Throws std::runtime_error.
    void start();
    // Stops serving and closes the pseudo-terminal; joins the thread within
    // a few tens of milliseconds. Does nothing when not serving. Registers,
    // switches and counts are kept for a later start().
    void stop();
    bool running() const;
    // The terminal a master opens (e.g. "/dev/pts/7"); empty before start().
    std::string tty_path() const;

    // Holding registers. Addresses wrap at 16 bits.
    void set_register(std::uint16_t address, std::uint16_t value);
    std::uint16_t get_register(std::uint16_t address) const;
    void set_registers(std::uint16_t address, const std::vector<std::uint16_t>& values);
    std::vector<std::uint16_t> get_registers(std::uint16_t address, std::size_t count) const;

    // Writes the identity block at 0xFFF0: identifier, hardware version,
    // firmware version and their 16-bit sum, or that sum plus one when
    // wrong_sum is set.
    void set_identity(std::uint16_t id, std::uint16_t hw, std::uint16_t fw, bool wrong_sum = false);

    // Requests addressed to this driver (slave 1 or broadcast) with a valid
    // frame, whatever was answered.
    unsigned requests() const;
    unsigned requests(std::uint8_t function) const;
    // Clears the request counts, the request log, and the scope's fire and
    // re-arm counts.
    void reset_counts();
    // Keeping a log of every counted request (off by default).
    void set_request_log(bool on);
    std::vector<request> request_log() const;

    // Fault switches. A request is answered, in this order of precedence:
    // silence; busy (exception 6); the exception of a range it touches; the
    // normal answer, which may then be cut short. A bad CRC may spoil any
    // answer. Silent, busy and exception answers change no register.
    void busy_next(unsigned n);
    void busy_for(std::chrono::milliseconds span);
    // Answers every request touching [first, first + count) with the Modbus
    // exception `code` (1..11). Ranges add up until clear_faults().
    void exception_range(std::uint16_t first, std::uint32_t count, std::uint8_t code);
    void set_silent(bool on);
    void silent_next(unsigned n);
    void bad_crc_next(unsigned n);
    // The next n answers to reads (3, 4) carry one register less than asked;
    // answers to writes of several registers (16) report one less written.
    // Other answers pass unchanged and don't use up the count.
    void short_next(unsigned n);
    void clear_faults();

    // Emulation of the wire time of 115200 baud 8N1: an answer leaves when
    // the request and the answer would both have crossed the wire.
    void set_wire_time(bool on);
    bool wire_time() const;

    // Scope: for each graph, every period, if its trigger register is 0 the
    // driver fills the buffer with the next wave and sets the trigger to the
    // buffer's number (1, 2, ..., skipping 0 on wrap). The first buffer comes
    // at once. An empty list switches the scope off; a new list restarts the
    // counts.
    void set_scope(const std::vector<scope_graph>& graphs);
    std::vector<scope_graph> scope() const;
    // Buffers written and bus writes of 0 to the trigger register, per graph
    // (index into the list given to set_scope). Throw std::out_of_range.
    unsigned scope_fires(std::size_t graph) const;
    unsigned scope_rearms(std::size_t graph) const;
    // Sample i of buffer number `buffer` (0 for the first) of a graph:
    // amplitude * sin(2 pi i / count + phase + buffer * pi / 16), rounded.
    static std::int16_t scope_sample(const scope_graph& g, unsigned buffer, std::uint32_t i);

private:
    struct impl;
    std::unique_ptr<impl> d_;
};

} // namespace sim
