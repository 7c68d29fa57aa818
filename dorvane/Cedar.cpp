// Profile 6760: a microstep driver laid out like 6758 (without the motor
// number on the static panel) at its own registers; its coil resistance and
// inductance carry two decimals instead of three. No graphs.

#include "builtin.h"

#include <iterator>

namespace profiles {
namespace builtin {
namespace {

// Value tables of the combo boxes.
constexpr choice resolutions[] = {
    {0, "1/2.5"}, {1, "1/5"}, {2, "1/8"}, {3, "1/10"}, {4, "1/16"}, {5, "1/18"}, {6, "1/20"}, {7, "1/25"},
    {8, "1/32"}, {9, "1/40"}, {10, "1/50"}, {11, "1/100"}, {12, "1/125"}, {13, "1/180"}, {14, "1/200"},
    {15, "1/250"},
};
constexpr choice pulse_modes[] = {{0, "Pulse/Dir"}, {1, "CW/CCW"}};
constexpr choice normal_inverse[] = {{0, "Normal"}, {1, "Inverse"}};
constexpr choice gains[] = {
    {0, "Off"}, {9, "0.125"}, {10, "0.25"}, {11, "0.5"}, {12, "1.0"}, {13, "2.0"}, {14, "4.0"}, {15, "8.0"},
};
constexpr choice filter_frequencies[] = {{2, "1600"}, {3, "800"}, {4, "400"}, {5, "200"}, {6, "100"}};

constexpr row static_items[] = {
    heading("Driver Information"),
    text(0x0058, ro, 20, "Driver Type"),
    heading(" "),
    heading("Rarameters Default/Load/Save"),
    command(3, "Default", "Load Default Parameters"),
    command(4, "Load", "Load Parameters from EEPROM"),
    command(5, "Save", "Save Parameters to EEPROM"),
    heading(" "),
    heading("Error Description / Reset Alarm"),
    spin_u(0x003C, ro, 1.0f, "Driver Error Number"),
    text(0x006C, ro, 20, "Error Description"),
    command(0, "Reset", "Reset Alarm"),
};

constexpr row page_1_Driver_Monitoring[] = {
    heading("Power Supply Voltage"),
    spin_s(0x0047, ro, 0.1f, "Overvoltage Alarm U [V]"),
    spin_s(0x004A, ro, 0.1f, "Rated Voltage U [V]"),
    spin_s(0x003E, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x004C, ro, 0.1f, "Undervoltage Alarm U [V]"),
    heading("MOSFET Voltage"),
    spin_s(0x0045, ro, 0.1f, "Overvoltage Alarm U [V]"),
    spin_s(0x0046, ro, 0.1f, "Resistor On Voltage U [V]"),
    spin_s(0x004B, ro, 0.1f, "Rated Voltage U [V]"),
    spin_s(0x003D, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x0048, ro, 0.1f, "Undervoltage Alarm U [V]"),
    heading("MOSFET Current"),
    spin_s(0x0044, ro, 0.001f, "Max Current I [A]"),
    heading("MOSFET Temperature"),
    spin_u(0x0049, ro, 0.1f, "Max Temperature T [C]"),
    spin_u(0x003F, ro, 0.1f, "Actual Temperature T [C]"),
};

constexpr row page_1_Driver_Parameters[] = {
    heading("Driver Parameters"),
    combo_box(0x0000, rw, of(resolutions), "Resolution"),
    spin_u(0x0001, rw, 1.0f, "Stop Current [%]"),
    combo_box(0x0003, rw, of(pulse_modes), "Pulse Mode"),
    combo_box(0x0002, rw, of(normal_inverse), "Motion Direction"),
    combo_box(0x0005, rw, of(normal_inverse), "Alarm Reset / Motor Free (input)"),
    combo_box(0x0004, rw, of(normal_inverse), "Alarm (output)"),
};

constexpr row page_2_Motor[] = {
    heading("Motor Parameters"),
    spin_u(0x0011, rw, 0.001f, "Current I [A]"),
    spin_u(0x0012, rw, 0.01f, "Resistance R [Ohm]"),
    spin_u(0x0013, rw, 0.01f, "Inductance L [mH]"),
    heading("Dumping Parameters"),
    combo_box(0x0015, rw, of(gains), "Gain"),
    combo_box(0x0016, rw, of(filter_frequencies), "Filter Frequency F [Hz]"),
};

// One line per register of the map.
constexpr const char* descriptions[] = {
    /*   0 */ "Resolution .............................. [Tab]",
    /*   1 */ "Stop Current ............................ [%]",
    /*   2 */ "Motion Direction ........................ [0:Normal / 1:Inverse]",
    /*   3 */ "Pulse Mode .............................. [0:Pulse/Dir / 1:CW/CCW]",
    /*   4 */ "Signal Polarity (output) ALARM .......... [0:Normal / 1:Inverse]",
    /*   5 */ "Signal Polarity (input)  ALARM RESET .... [0:Normal / 1:Inverse]",
    /*   6 */ reserved,
    /*   7 */ reserved,
    /*   8 */ "Current Control Mode .................... [0:FF&FB / 1:FF Only / 2:FB Only]",
    /*   9 */ reserved,
    /*  10 */ reserved,
    /*  11 */ reserved,
    /*  12 */ reserved,
    /*  13 */ reserved,
    /*  14 */ reserved,
    /*  15 */ reserved,
    /*  16 */ reserved,
    /*  17 */ "Motor Coils Current ....................................... [mA]",
    /*  18 */ "Motor Coil and External Wires Resistance ... (format x.xx)  [Ohm]",
    /*  19 */ "Motor Coil Inductance ...................... (format x.xx)  [mH]",
    /*  20 */ "Motor Back EMF Constant  ................... (format x.x)   [V/kHz]",
    /*  21 */ "Damping Output Gain [0:0.0, 9:0.125 10:0.25 11:0.5 12:1.0 13:2.0 14:4.0 15:8.0]",
    /*  22 */ "Damping Filter Constant [2:1600Hz, 3:800Hz, 4:400Hz, 5:200Hz, 6:100Hz]",
    /*  23 */ "Motor Number ....... [No]",
    /*  24 */ "Motor Name ......... [String]",
    /*  25 */ "Motor Name ......... [String]",
    /*  26 */ "Motor Name ......... [String]",
    /*  27 */ "Motor Name ......... [String]",
    /*  28 */ "Motor Name ......... [String]",
    /*  29 */ "Motor Name ......... [String]",
    /*  30 */ "Motor Name ......... [String]",
    /*  31 */ "Motor Name ......... [String]",
    /*  32 */ "Motor Name ......... [String]",
    /*  33 */ "Motor Name ......... [String]",
    /*  34 */ "Motor Name ......... [String]",
    /*  35 */ "Motor Name ......... [String]",
    /*  36 */ "Motor Name ......... [String]",
    /*  37 */ "Motor Name ......... [String]",
    /*  38 */ "Motor Name ......... [String]",
    /*  39 */ "Motor Name ......... [String]",
    /*  40 */ "Motor Name ......... [String]",
    /*  41 */ "Motor Name ......... [String]",
    /*  42 */ "Motor Name ......... [String]",
    /*  43 */ "Motor Name ......... [String]",
};

} // namespace

u16 queue_cedar()
{
    profile pr = make_profile(6760, descriptions, std::size(descriptions), 44);
    pr.static_map = make_items(static_items);
    pr.pages.emplace_back("Driver Monitoring", make_items(page_1_Driver_Monitoring));
    pr.pages.emplace_back("Driver Parameters", make_items(page_1_Driver_Parameters));
    pr.pages.emplace_back("Motor Parameters", make_items(page_2_Motor));
    return register_profile(pr);
}

} // namespace builtin
} // namespace profiles
