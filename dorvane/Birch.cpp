// Profile 6758: a microstep driver. Driver type, motor number, the
// parameter-store commands and the error state on the static panel; the
// driver's voltages, current and temperatures, its settings and the motor's
// coil and damping values on three pages. No graphs.

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
    heading("Driver & Motor Information"),
    text(0x0070, ro, 20, "Driver Type"),
    spin_u(0x0014, ro, 1.0f, "Motor Number"),
    heading(" "),
    heading("Rarameters Default/Load/Save"),
    command(3, "Default", "Load Default Parameters"),
    command(4, "Load", "Load Parameters from EEPROM"),
    command(5, "Save", "Save Parameters to EEPROM"),
    heading(" "),
    heading("Error Description / Reset Alarm"),
    spin_u(0x004F, ro, 1.0f, "Driver Error Number"),
    text(0x0084, ro, 20, "Error Description"),
    command(0, "Reset", "Reset Alarm"),
};

constexpr row page_1_Driver_Monitoring[] = {
    heading("Power Supply Voltage"),
    spin_s(0x0059, ro, 0.1f, "Overvoltage Alarm U [V]"),
    spin_s(0x005C, ro, 0.1f, "Rated Voltage U [V]"),
    spin_s(0x0050, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x005E, ro, 0.1f, "Undervoltage Alarm U [V]"),
    heading("MOSFET Voltage"),
    spin_s(0x0057, ro, 0.1f, "Overvoltage Alarm U [V]"),
    spin_s(0x0058, ro, 0.1f, "Resistor On Voltage U [V]"),
    spin_s(0x005D, ro, 0.1f, "Rated Voltage U [V]"),
    spin_s(0x0030, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x005A, ro, 0.1f, "Undervoltage Alarm U [V]"),
    heading("MOSFET Current"),
    spin_s(0x0056, ro, 0.001f, "Max Current I [A]"),
    heading("MOSFET Temperature"),
    spin_u(0x005B, ro, 0.1f, "Max Temperature T [C]"),
    spin_u(0x0051, ro, 0.1f, "Actual Temperature T [C]"),
};

constexpr row page_1_Driver_Parameters[] = {
    heading("Driver Parameters"),
    combo_box(0x0000, rw, of(resolutions), "Resolution"),
    spin_u(0x0001, rw, 1.0f, "Stop Current [%]"),
    combo_box(0x0003, rw, of(pulse_modes), "Pulse Mode"),
    combo_box(0x0002, rw, of(normal_inverse), "Motion Direction"),
    combo_box(0x0007, rw, of(normal_inverse), "Alarm Reset / Motor Free (input)"),
    combo_box(0x0006, rw, of(normal_inverse), "Alarm (output)"),
};

constexpr row page_2_Motor[] = {
    heading("Motor Parameters"),
    spin_u(0x0017, rw, 0.001f, "Current I [A]"),
    spin_u(0x0018, rw, 0.001f, "Resistance R [Ohm]"),
    spin_u(0x0019, rw, 0.001f, "Inductance L [mH]"),
    heading("Dumping Parameters"),
    combo_box(0x001F, rw, of(gains), "Gain"),
    combo_box(0x001D, rw, of(filter_frequencies), "Filter Frequency F [Hz]"),
};

// One line per register; the last one (75, the driver table's checksum)
// lies outside the map.
constexpr const char* descriptions[] = {
    /*   0 */ "DB_Resolution_Tab                    0",
    /*   1 */ "DB_StopCurrent_Percent               1",
    /*   2 */ "Motion Direction .................................... [0-CW / 1-CCW]",
    /*   3 */ "DB_PulseMode_Flag                    3",
    /*   4 */ "Detect Step-Out ..................... (Refer Error 3) [0-Disable / 1-Enable]",
    /*   5 */ "Signal Polarity (output) Rotation ................... [0-Normal / 1-Inverse]",
    /*   6 */ "Signal Polarity (output) ALARM ...................... [0-Normal / 1-Inverse]",
    /*   7 */ "Signal Polarity (input)  ALARM RESET ................ [0-Normal / 1-Inverse]",
    /*   8 */ reserved,
    /*   9 */ "DB_MOSFET_Alarm_Max_U_V              9",
    /*  10 */ "DB_MOSFET_ResistorOn_U_V            10",
    /*  11 */ "DB_UndervoltageAlarm_U_V            11",
    /*  12 */ reserved,
    /*  13 */ reserved,
    /*  14 */ reserved,
    /*  15 */ reserved,
    /*  16 */ reserved,
    /*  17 */ reserved,
    /*  18 */ reserved,
    /*  19 */ "DB_VarRW_SerialComm_bps             19",
    /*  20 */ "Motor Number ........................................ [No]",
    /*  21 */ reserved,
    /*  22 */ reserved,
    /*  23 */ "Motor Coils Current ................................. [mA]",
    /*  24 */ "Coil and External Wires Resistance .................. [mOhm]",
    /*  25 */ "Coil Inductance ..................................... [uH]",
    /*  26 */ "Back EMF Constant  ................... (format x.xx)  [V/kHz]",
    /*  27 */ reserved,
    /*  28 */ reserved,
    /*  29 */ "Damping Filter 1 Constant",
    /*  30 */ reserved,
    /*  31 */ "Damping Output Gain (if 0 Damping is Disabled)",
    /*  32 */ "Detect Step-Out Min Motor Coil Frequency ............ [Hz]",
    /*  33 */ "Detect Step-Out Z Approximation parameter C1 (Floating-Point Coefficient)",
    /*  34 */ "Detect Step-Out Z Approximation parameter C1 (Exponent Part)",
    /*  35 */ "Detect Step-Out Z Approximation parameter C2 (Floating-Point Coefficient)",
    /*  36 */ "Detect Step-Out Z Approximation parameter C2 (Exponent Part)",
    /*  37 */ "Detect Step-Out Z Approximation parameter C3 (Floating-Point Coefficient)",
    /*  38 */ "Detect Step-Out Z Approximation parameter C3 (Exponent Part)",
    /*  39 */ "Detect Step-Out Z Approximation parameter C4 (Floating-Point Coefficient)",
    /*  40 */ "Detect Step-Out Z Approximation parameter C4 (Exponent Part)",
    /*  41 */ "Detect Step-Out Z Approximation parameter C5 (Floating-Point Coefficient)",
    /*  42 */ "Detect Step-Out Z Approximation parameter C5 (Exponent Part)",
    /*  43 */ "Detect Step-Out Z Window ............. (format x.xxx)",
    /*  44 */ "Detect Step-Out Fi Start Frequency .................. [Hz]",
    /*  45 */ reserved,
    /*  46 */ reserved,
    /*  47 */ reserved,
    /*  48 */ "DB_VarRO_MOSFET_Actual_U_V_x_x      48",
    /*  49 */ reserved,
    /*  50 */ reserved,
    /*  51 */ "DB_DSO_Const_x_xxx                  51",
    /*  52 */ "DB_VarRO_DSO_ErrorBefore_Percent_x_x 52",
    /*  53 */ "DB_VarRO_DSO_ErrorAfter_Percent_x_x  53",
    /*  54 */ "Correction A2 ........................ (format x.xx)  [Microstep]",
    /*  55 */ "Correction A4 ........................ (format x.xx)  [Microstep]",
    /*  56 */ "Correction Fi2 ...................................... [mRAD]",
    /*  57 */ "Correction Fi4 ....... CW ........................... [mRAD]",
    /*  58 */ "Correction Mode ..................................... [0-Disable / 1-Enable]",
    /*  59 */ reserved,
    /*  60 */ reserved,
    /*  61 */ "Current Control Mode ................................ [0-FF&FB; 1-FF Only; 2-FB Only]",
    /*  62 */ "Correction Static Shift .............. (format x.xx)  [Microstep]",
    /*  63 */ "Correction A1 ........................ (format x.xx)  [Microstep]",
    /*  64 */ "Correction Fi1 ...................................... [mRAD]",
    /*  65 */ "DC/DC Converter ..................................... [0-Disable / 1-Enable]",
    /*  66 */ "Correction Fi4 ....... CCW .......................... [mRAD]",
    /*  67 */ "Detect Step-Out Min voltage ......................... [V]",
    /*  68 */ "Detect Step-Out Max voltage ......................... [V]",
    /*  69 */ "DB_Motor_Tab                        69",
    /*  70 */ "Signal Polarity (input)  Servo On ................... [0-Normal / 1-Inverse]",
    /*  71 */ "DB_VarRW_SpeedRef_V_kpps_x_x              71",
    /*  72 */ reserved,
    /*  73 */ reserved,
    /*  74 */ reserved,
    /*  75 */ "DB_Driver_CRC16                     75",
};

} // namespace

u16 queue_birch()
{
    profile pr = make_profile(6758, descriptions, std::size(descriptions), 75);
    pr.static_map = make_items(static_items);
    pr.pages.emplace_back("Driver Monitoring", make_items(page_1_Driver_Monitoring));
    pr.pages.emplace_back("Driver Parameters", make_items(page_1_Driver_Parameters));
    pr.pages.emplace_back("Motor Parameters", make_items(page_2_Motor));
    return register_profile(pr);
}

} // namespace builtin
} // namespace profiles
