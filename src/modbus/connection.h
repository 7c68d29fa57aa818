#pragma once
// One open Modbus link to one servo driver, shared by connection_p; the
// link closes when the last holder lets go.

#include <QString>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace modbus {

// The line every driver speaks: RTU at 115200 baud, 8N1, slave address 1.
constexpr int baud = 115200;
constexpr int slave = 1;

// What a descriptor's `type` names. Plain ints on purpose: the settings'
// device strings and the callers store and compare these values.
enum link_type : int {
    emulation_link = 0,
    serial_link = 1,
    bridge_link = 2,
    autodetect_link = 3,
};

class connection {
public:
    // What a link is opened from; see devices.h for where they come from.
    struct descriptor {
        std::string name;     // "Autodetect", the port's name or the bridge's product text
        int type = emulation_link; // a link_type
        std::string kind;     // "Autodetect", "COM" or "USBXpress"
        std::string location; // serial ports: the path to open
        int index = -1;       // USB bridge: the bridge library's device number
        QString pid;          // USB bridge: product identifier text
        QString vid;          // USB bridge: vendor identifier text
    };

    // A back end; the connection owns exactly one.
    class device {
    public:
        virtual ~device() = default;
        // Writes all of `values` from `address` on; returns the number written.
        virtual int write_registers(unsigned short address, const std::vector<unsigned short>& values) = 0;
        // Reads values.size() registers from `address` on into `values`, which
        // may shrink to what was got; returns the number read. `from_copy`
        // asks for the back end's copy of the last values instead of the bus.
        virtual int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy) = 0;
        virtual descriptor& desc() = 0;
    };

    // Registers in memory, shared by every emulation link of the process.
    class emulation_device : public device {
    public:
        explicit emulation_device(descriptor d) : desc_(std::move(d)) {}
        int write_registers(unsigned short address, const std::vector<unsigned short>& values) override;
        int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy) override;
        descriptor& desc() override { return desc_; }

        static std::map<unsigned short, unsigned short> vmem;

    private:
        descriptor desc_;
    };

    // The libmodbus back end of serial ports and USB bridges (modbus_device.h).
    class modbus_device;

    // Opens a link of the descriptor's type (emulation, serial port or bridge); `tries` is the number
    // of attempts for opening and for every request of a real link.
    connection(descriptor d, int tries);
    // Takes over a back end made by the caller.
    explicit connection(std::unique_ptr<device> backend);
    ~connection();
    connection(const connection&) = delete;
    connection& operator=(const connection&) = delete;

    int read_registers(unsigned short address, std::vector<unsigned short>& values, bool from_copy);
    int write_registers(unsigned short address, const std::vector<unsigned short>& values);

    // Registers from `from` up to, not including, `until`, in requests of at
    // most 100; the event loop runs (without user input) after each request.
    std::vector<unsigned short> read_block(unsigned short from, unsigned short until, bool from_copy);

    // The value of every address, one block read per run of consecutive
    // addresses.
    std::map<unsigned short, unsigned short> read_registers(const std::set<unsigned short>& addresses,
                                                            bool from_copy);

    device& backend() { return *backend_; }

private:
    std::unique_ptr<device> backend_;
};

typedef std::shared_ptr<connection> connection_p;

} // namespace modbus
