// Profile 6469: identification texts, live values, Modbus settings and the
// servo commands on the static panel; driver, motor and encoder parameters
// and the current, speed and position control tests on six pages; four
// sample graphs.

#include "builtin.h"

#include <iterator>

namespace profiles {
namespace builtin {
namespace {

// Value tables of the combo boxes.
constexpr choice normal_inverse[] = {{0, "Normal"}, {1, "Inverse"}};
constexpr choice off_on[] = {{0, "Off"}, {1, "On"}};
constexpr choice pulse_modes[] = {{0, "Pulse/Dir"}, {1, "CW/CCW"}};
constexpr choice motor_types[] = {{0, "DC/VCM"}, {1, "BLDC"}, {2, "MPSM"}};
constexpr choice hall_sensors[] = {
    {0, "Err"}, {1, "__W"}, {2, "_V_"}, {3, "_VW"}, {4, "U__"}, {5, "U_W"}, {6, "UV_"}, {7, "Err"},
};
constexpr choice normal_test[] = {{0, "Normal"}, {1, "Test"}};
constexpr choice connection_states[] = {{0, "Normal"}, {1, "Inverse"}, {2, "Not Defined"}};
constexpr choice bandwidth_modes[] = {{0, "Auto"}, {1, "Manual"}};
constexpr choice limit_flags[] = {
    {0, "No Limit Flags"}, {1, "Current"}, {2, "Speed"}, {3, "Speed,Current"}, {4, "Position"},
    {5, "Position,Current"}, {6, "Position,Speed"}, {7, "Pos,Spd,Current"},
};
constexpr choice time_steps[] = {{0, "0.25"}, {1, "0.5"}, {2, "1"}, {3, "2"}, {4, "4"}, {5, "8"}, {6, "16"}, {7, "32"}};

constexpr row static_items[] = {
    heading("Motor Monitoring"),
    text(0x00C5, ro, 20, "Driver Type"),
    text(0x000A, rw, 4, "Driver ID"),
    text(0x005D, rw, 20, "Motor Type"),
    text(0x0071, rw, 20, "Encoder Type"),
    spin_u(0x001F, rw, 1.0f, "Motor Number"),
    spin_s(0x00AC, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x00AD, ro, 0.001f, "Actual Current I [A]"),
    ranged(spin_s(0x00AE, ro, 0.1f, "Actual Speed w [kpps]")),
    spin_s(0x00AF, ro, 1.0f, "Actual Position x [pulse]"),
    spin_u(0x00BE, ro, 1.0f, "Limit Flags"),
    spin_u(0x00B9, ro, 1.0f, "Hardware Flags"),
    heading("Error Description / Reset Alarm"),
    spin_u(0x009D, ro, 1.0f, "Driver Error Number"),
    text(0x00D9, ro, 20, "Error Description"),
    command(0, "Reset", "Reset Alarm"),
    heading("Modbus Parameters"),
    ranged(spin_u(0x000E, rw, 1.0f, "Slave ID")),
    spin_u(0x000F, ro, 1.0f, "Serial Comm [bps]"),
    command(1, "ON", "Servo ON"),
    command(2, "OFF", "Servo OFF"),
    heading(" "),
    heading("Rarameters Default/Load/Save"),
    command(3, "Default", "Load Default Parameters"),
    command(4, "Load", "Load Parameters from EEPROM"),
    command(5, "Save", "Save Parameters to EEPROM"),
};

constexpr row Page_1_Driver[] = {
    heading("Main Parameters"),
    combo_box(0x0001, rw, of(normal_inverse), "Motion Direction"),
    combo_box(0x0002, rw, of(off_on), "DC/DC"),
    combo_box(0x0003, rw, of(off_on), "Inertia Autotuning"),
    combo_box(0x0004, rw, of(pulse_modes), "Pulse Mode"),
    heading("Control I/O Signals Polarity"),
    combo_box(0x0005, rw, of(normal_inverse), "ServoOn (input)"),
    combo_box(0x0006, rw, of(normal_inverse), "Alarm Reset (input)"),
    combo_box(0x0007, rw, of(normal_inverse), "Alarm (output)"),
    combo_box(0x0008, rw, of(normal_inverse), "Inposition (output)"),
    heading("Power Supply Voltage"),
    spin_s(0x00A0, ro, 0.1f, "Overvoltage Alarm U [V]"),
    spin_s(0x00A1, ro, 0.1f, "Rated Voltage U [V]"),
    spin_s(0x00A2, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x00A3, ro, 0.1f, "Undervoltage Alarm U [V]"),
    heading("MOSFET Voltage"),
    spin_s(0x00A4, ro, 0.1f, "Overvoltage Alarm U [V]"),
    spin_s(0x00A5, ro, 0.1f, "Resistor On Voltage U [V]"),
    spin_s(0x00A6, ro, 0.1f, "Rated Voltage U [V]"),
    spin_s(0x00A7, ro, 0.1f, "Actual Voltage U [V]"),
    spin_s(0x00A8, ro, 0.1f, "Undervoltage Alarm U [V]"),
    heading("MOSFET Current"),
    spin_s(0x00A9, ro, 0.001f, "Max Current I [A]"),
    heading("MOSFET Temperature"),
    spin_s(0x00AA, ro, 0.1f, "Max Temperature T [C]"),
    spin_s(0x00AB, ro, 0.1f, "Actual Temperature T [C]"),
    heading("Motor Temperature"),
    spin_s(0x00B7, ro, 0.1f, "Estimation of Coil Temperature T [C]"),
};

constexpr row Page_2_MotorEncoder[] = {
    heading("Motor Type"),
    combo_box(0x0020, rw, of(motor_types), "Type"),
    combo_box(0x00BA, ro, of(hall_sensors), "Hall Sensors"),
    heading("Motor Limitations"),
    spin_u(0x0021, rw, 1.0f, "Voltage Limit U [V]"),
    spin_u(0x0022, rw, 0.001f, "Max Continuous Current [A]"),
    spin_u(0x0023, rw, 0.001f, "Boost Current [A]"),
    spin_u(0x0024, rw, 0.001f, "Overcurrent Alarm [A]"),
    ranged(spin_u(0x0025, rw, 0.1f, "Speed Limit [Kpps]")),
    ranged(spin_u(0x0026, rw, 0.1f, "Overspeed Alarm [Kpps]")),
    heading("Motor Parameters"),
    spin_u(0x0027, rw, 0.01f, "Resistance R [Ohm]"),
    spin_u(0x0028, rw, 0.01f, "Inductance L [mH]"),
    spin_u(0x0029, rw, 0.001f, "Motor Inertia i [A/Mpps2]"),
    spin_u(0x002A, rw, 0.001f, "Motor and Load Inertia i [A/Mpps2]"),
    spin_u(0x002B, rw, 0.001f, "Max Inertia i [A/Mpps2]"),
    spin_u(0x002C, rw, 0.1f, "EMF Constant Ce [V/Mpps]"),
    spin_u(0x002D, rw, 0.1f, "Coil Heat Capacity C [J/K]"),
    heading("Motor and Encoder Test"),
    combo_box(0x0045, rw, of(normal_test), "Voltage Control"),
    spin_s(0x0049, rw, 0.1f, "Voltage Test Value U [V]"),
    spin_u(0x0048, rw, 0.1f, "Voltage Test Filter Constant [V/s]"),
    spin_u(0x00B6, ro, 0.1f, "Estimation of EMF Constant Ce [V/Mpps]"),
    ranged(spin_u(0x00B5, ro, 0.1f, "Estimation of Max Motor Speed [Kpps]")),
    combo_box(0x00B4, ro, of(connection_states), "Estimation of Motor-Encoder Connection"),
    heading("Encoder Parameters"),
    combo_box(0x003C, rw, of(normal_inverse), "Motor-Encoder Connection"),
    spin_u(0x003D, rw, 1.0f, "Inposition Range [pulse]"),
    spin_s(0x00BD, ro, 1.0f, "Position Error [pulse]"),
};

constexpr row Page_3_Current[] = {
    heading("Current Control Step Test"),
    spin_s(0x00C4, ro, 0.001f, "Test Current [A]"),
    command(16, "Test", "Current Step"),
    heading("Step Test Result"),
    spin_u(0x00B2, ro, 0.01f, "Estimation Resistance R [Ohm]"),
    spin_u(0x00B3, ro, 0.01f, "Estimation Inductance L [mH]"),
    spin_u(0x0027, rw, 0.01f, "Resistance R [Ohm]"),
    spin_u(0x0028, rw, 0.01f, "Inductance L [mH]"),
    command(19, "Apply and Test", "Apply Estimated R and L Value and Test Again"),
    heading("Current Control Bandwidth"),
    combo_box(0x003F, rw, of(bandwidth_modes), "Bandwidth"),
    spin_u(0x003E, rw, 1.0f, "Manual Bandwidth F [Hz]"),
    heading("Inertia Detection Test"),
    command(22, "Test", "Inertia Detection Test"),
    heading("Test Result"),
    spin_u(0x00B1, ro, 0.001f, "Estimation of Inertia i [A/Mpps2]"),
    spin_u(0x002A, rw, 0.001f, "Motor and Load Inertia i [A/Mpps2]"),
    command(23, "Apply", "Apply Estimated Inertia"),
    heading("Current Control Test"),
    combo_box(0x0046, rw, of(normal_test), "Current Control"),
    spin_s(0x004A, rw, 0.001f, "Current Test Value [A]"),
    spin_s(0x00BB, ro, 0.001f, "Current Error [A]"),
};

constexpr row Page_4_Speed[] = {
    heading("Speed Control Notch Filter Parameters"),
    combo_box(0x0003, rw, of(off_on), "Inertia Autotuning"),
    combo_box(0x002E, rw, of(off_on), "Filter Mode"),
    spin_u(0x002F, rw, 1.0f, "Frequency F [Hz]"),
    spin_u(0x0030, rw, 1.0f, "Attenuation Q [dB]"),
    spin_u(0x0031, rw, 0.001f, "Width"),
    heading("Step Test Parameters"),
    ranged(spin_s(0x004D, rw, 0.1f, "Speed [Kpps]")),
    command(17, "Test", "Speed Step"),
    heading("Test Result"),
    spin_u(0x00B1, ro, 0.001f, "Estimation of Inertia I [A/Mpps2]"),
    spin_u(0x002A, rw, 0.001f, "Motor and Load Inertia i [A/Mpps2]"),
    command(20, "Apply and Test", "Apply Estimated Inertia Value and Test Again"),
    heading("Speed Control Test"),
    combo_box(0x0047, rw, of(normal_test), "Speed Control"),
    ranged(spin_s(0x004B, rw, 0.1f, "Speed Test Value [kpps]")),
    ranged(spin_s(0x00BC, ro, 0.1f, "Speed Error [kpps]")),
    spin_u(0x004C, rw, 1.0f, "Speed Test Acceleration [kpps2]"),
};

constexpr row Page_5_Position[] = {
    heading("Position Control Test"),
    combo_box(0x0003, rw, of(off_on), "Inertia Autotuning"),
    spin_u(0x004E, rw, 1.0f, "Movements [N]"),
    spin_u(0x00C3, ro, 0.001f, "Max Current I [A]"),
    spin_u(0x00C0, ro, 0.1f, "Max Acceleration a [Mpps2]"),
    ranged(spin_u(0x00BF, ro, 0.1f, "Max Speed V [kpps]")),
    spin_u(0x00C1, ro, 1.0f, "Max Distance x [pulse]"),
    combo_box(0x00C2, ro, of(limit_flags), "Limit Flags"),
    command(18, "Test", "Position Test"),
    heading("Test Result"),
    spin_u(0x00B1, ro, 0.001f, "Estimation of Inertia I [A/Mpps2]"),
    spin_u(0x002A, rw, 0.001f, "Motor and Load Inertia i [A/Mpps2]"),
    command(21, "Apply and Test", "Apply Estimated Inertia Value and Test Again"),
};

constexpr row Page_6_Control[] = {
    heading("Motion Control Parameters"),
    spin_u(0x00B8, ro, 0.01f, "Min Time Discretization Estimation (dt) [mS]"),
    combo_box(0x0040, rw, of(time_steps), "Motion Control Time Discretization (dt) [mS]"),
    spin_u(0x0041, rw, 0.001f, "Speed Control Proportional Gain (Kp*dt) [S]"),
    spin_u(0x0042, rw, 0.001f, "Speed Control Integral Gain (Ki*dt) [S]"),
    spin_u(0x0043, rw, 0.001f, "Position Control Proportional Gain (Kp*dt) [S]"),
    spin_u(0x0044, rw, 0.001f, "Position Control Feedforward Gain"),
};

struct graph_row {
    const char* title;
    u16 trigger;
    u16 start;
    std::uint32_t count;
};

// The four sample buffers lie back to back from 0x010E.
constexpr graph_row graphs[] = {
    {"Graph 1", 0x0088, 0x010E, 256},
    {"Graph 2", 0x008A, 0x020E, 256},
    {"Graph 3", 0x008C, 0x030E, 256},
    {"Graph 4", 0x008E, 0x040E, 256},
};

// One line per register; the last one (133, the motor table's checksum)
// lies outside the map.
constexpr const char* descriptions[] = {
    /*   0 */ reserved,
    /*   1 */ "Motion Direction .................................... [0-CW / 1-CCW]",
    /*   2 */ "DC/DC Converter ..................................... [0-Disable / 1-Enable]",
    /*   3 */ "Inertia Autodetect Flag ............................. [0-Disable / 1-Enable]",
    /*   4 */ "DB_PulseMode_Flag                 4",
    /*   5 */ "Signal Polarity (input)  Servo-On ................... [0-Normal / 1-Inverse]",
    /*   6 */ "Signal Polarity (input)  Alarm Reset ................ [0-Normal / 1-Inverse]",
    /*   7 */ "Signal Polarity (output) Alarm ...................... [0-Normal / 1-Inverse]",
    /*   8 */ "Signal Polarity (output) In-Position ................ [0-Normal / 1-Inverse]",
    /*   9 */ "DB_Motor_Tab                      9",
    /*  10 */ "DB_DriverID_String_Addr          10",
    /*  11 */ "DB_DriverID_String_1             11",
    /*  12 */ "DB_DriverID_String_2             12",
    /*  13 */ "DB_DriverID_String_3             13",
    /*  14 */ "DB_Net_SlaveID                   14",
    /*  15 */ "DB_Net_SerialComm_bps            15",
    /*  16 */ "DB_SC_Velocity0_V_kpps_x_x       16",
    /*  17 */ "DB_SC_Velocity1_V_kpps_x_x       17",
    /*  18 */ "DB_SC_Velocity2_V_kpps_x_x       18",
    /*  19 */ "DB_SC_Velocity3_V_kpps_x_x       19",
    /*  20 */ "DB_SC_Velocity4_V_kpps_x_x       20",
    /*  21 */ "DB_SC_Velocity5_V_kpps_x_x       21",
    /*  22 */ "DB_SC_Velocity6_V_kpps_x_x       22",
    /*  23 */ "DB_SC_Velocity7_V_kpps_x_x       23",
    /*  24 */ reserved,
    /*  25 */ reserved,
    /*  26 */ reserved,
    /*  27 */ reserved,
    /*  28 */ reserved,
    /*  29 */ reserved,
    /*  30 */ "DB_Driver_CRC16                  30",
    /*  31 */ "Motor Number ........................................ [No]",
    /*  32 */ "DB_Motor_Type                    32",
    /*  33 */ "Max Motor Voltage ................................... [V]",
    /*  34 */ "Max Motor Current ................................... [mA]",
    /*  35 */ "Boost Motor Current ................................. [mA]",
    /*  36 */ "Alarm Motor Overcurrent ............................. [mA]",
    /*  37 */ "Max Motor Speed ...................... (format x.x)   [kpps]",
    /*  38 */ "Alarm Motor Overspeed ................ (format x.x)   [kpps]",
    /*  39 */ "Motor and Additional Coil Resistance . (format x.xx)  [Ohm]",
    /*  40 */ "Motor and Additional Coil Inductance . (format x.xx)  [mH]",
    /*  41 */ "Motor Inertia (Min) ................................. [nA / pps2]",
    /*  42 */ "Motor and Load Inertia .............................. [nA / pps2]",
    /*  43 */ "Motor and Load Inertia (Max) ........................ [nA / pps2]",
    /*  44 */ "DB_Motor_Ce_V_d_Mpps_x_x         44",
    /*  45 */ "DB_Motor_C_JdK_x_x               45",
    /*  46 */ "DB_SC_Filter_Type                46",
    /*  47 */ "DB_SC_Filter_F_Hz                47",
    /*  48 */ "DB_SC_NotchFilter_Attenuation_dB 48",
    /*  49 */ "DB_SC_NotchFilter_Width_x_xxx    49",
    /*  50 */ "DB_SC_Filter_Type                50",
    /*  51 */ "DB_SC_Filter_F_Hz                51",
    /*  52 */ "DB_SC_NotchFilter_Attenuation_dB 52",
    /*  53 */ "DB_SC_NotchFilter_Width_x_xxx    53",
    /*  54 */ "DB_SC_Filter_Type                54",
    /*  55 */ "DB_SC_Filter_F_Hz                55",
    /*  56 */ "DB_SC_NotchFilter_Attenuation_dB 56",
    /*  57 */ "DB_SC_NotchFilter_Width_x_xxx    57",
    /*  58 */ "DB_EncoderResolution             58",
    /*  59 */ "DB_EncoderResolution             59",
    /*  60 */ "Encoder Direction Flag .............................. [0-Normal / 1-Inverse]",
    /*  61 */ "Inposition .......................................... [pulse]",
    /*  62 */ "DB_CC_Bandwidth_F_Hz             62",
    /*  63 */ "DB_CC_BandwidthManual_Flag       63",
    /*  64 */ "Motion Control Discretization Time .................. [Tab]",
    /*  65 */ "Speed Control Proportional Gain (Kp*dt)(format x.xxx) [Norm]",
    /*  66 */ "Speed Control Integral Gain ... (Ki*dt)(format x.xxx) [Norm]",
    /*  67 */ "Position Control Proportion Gain(Kp*dt)(format x.xxx) [Norm]",
    /*  68 */ "Position Control Feedforward Gain .... (format x.xxx) [Norm]",
    /*  69 */ "Test Switch U Flag .................................. [0-Normal / 1-Test]",
    /*  70 */ "Test Switch I Flag .................................. [0-Normal / 1-Test]",
    /*  71 */ "Test Switch V Flag .................................. [0-Normal / 1-Test]",
    /*  72 */ "DB_VoltageFilter_U_Vps_x_x       72",
    /*  73 */ "Test Value U .......................... (format x.x)  [V]",
    /*  74 */ "Test Value I ........................................ [mA]",
    /*  75 */ "Test Value V .......................... (format x.x)  [kpps]",
    /*  76 */ "DB_SpeedFilter_a_kpps2           76",
    /*  77 */ "Test2 V ............................... (format x.x)  [kpps]",
    /*  78 */ "Test3 Movements ..................................... [n]",
    /*  79 */ reserved,
    /*  80 */ reserved,
    /*  81 */ reserved,
    /*  82 */ reserved,
    /*  83 */ reserved,
    /*  84 */ reserved,
    /*  85 */ reserved,
    /*  86 */ reserved,
    /*  87 */ reserved,
    /*  88 */ reserved,
    /*  89 */ reserved,
    /*  90 */ reserved,
    /*  91 */ reserved,
    /*  92 */ reserved,
    /*  93 */ "DB_MotorName_String_Addr         93",
    /*  94 */ "DB_MotorName_String_01           94",
    /*  95 */ "DB_MotorName_String_02           95",
    /*  96 */ "DB_MotorName_String_03           96",
    /*  97 */ "DB_MotorName_String_04           97",
    /*  98 */ "DB_MotorName_String_05           98",
    /*  99 */ "DB_MotorName_String_06           99",
    /* 100 */ "DB_MotorName_String_07          100",
    /* 101 */ "DB_MotorName_String_08          101",
    /* 102 */ "DB_MotorName_String_09          102",
    /* 103 */ "DB_MotorName_String_10          103",
    /* 104 */ "DB_MotorName_String_11          104",
    /* 105 */ "DB_MotorName_String_12          105",
    /* 106 */ "DB_MotorName_String_13          106",
    /* 107 */ "DB_MotorName_String_14          107",
    /* 108 */ "DB_MotorName_String_15          108",
    /* 109 */ "DB_MotorName_String_16          109",
    /* 110 */ "DB_MotorName_String_17          110",
    /* 111 */ "DB_MotorName_String_18          111",
    /* 112 */ "DB_MotorName_String_19          112",
    /* 113 */ "DB_EncoderName_String_Addr      113",
    /* 114 */ "DB_EncoderName_String_01        114",
    /* 115 */ "DB_EncoderName_String_02        115",
    /* 116 */ "DB_EncoderName_String_03        116",
    /* 117 */ "DB_EncoderName_String_04        117",
    /* 118 */ "DB_EncoderName_String_05        118",
    /* 119 */ "DB_EncoderName_String_06        119",
    /* 120 */ "DB_EncoderName_String_07        120",
    /* 121 */ "DB_EncoderName_String_08        121",
    /* 122 */ "DB_EncoderName_String_09        122",
    /* 123 */ "DB_EncoderName_String_10        123",
    /* 124 */ "DB_EncoderName_String_11        124",
    /* 125 */ "DB_EncoderName_String_12        125",
    /* 126 */ "DB_EncoderName_String_13        126",
    /* 127 */ "DB_EncoderName_String_14        127",
    /* 128 */ "DB_EncoderName_String_15        128",
    /* 129 */ "DB_EncoderName_String_16        129",
    /* 130 */ "DB_EncoderName_String_17        130",
    /* 131 */ "DB_EncoderName_String_18        131",
    /* 132 */ "DB_EncoderName_String_19        132",
    /* 133 */ "DB_Motor_CRC16                  133",
};

} // namespace

u16 queue_alder()
{
    profile pr = make_profile(6469, descriptions, std::size(descriptions), 133);
    pr.static_map = make_items(static_items);
    pr.pages.emplace_back("Driver Parameters", make_items(Page_1_Driver));
    pr.pages.emplace_back("Motor && Encoder Parameters", make_items(Page_2_MotorEncoder));
    pr.pages.emplace_back("Current Control Test", make_items(Page_3_Current));
    pr.pages.emplace_back("Speed Control Test", make_items(Page_4_Speed));
    pr.pages.emplace_back("Position Control Test", make_items(Page_5_Position));
    pr.pages.emplace_back("Control Parameters", make_items(Page_6_Control));
    for (const graph_row& g : graphs) {
        graphic gr;
        gr.trigger = single(g.trigger);
        gr.start = g.start;
        gr.count = g.count;
        gr.title = g.title;
        pr.graphics.push_back(gr);
    }
    return register_profile(pr);
}

} // namespace builtin
} // namespace profiles
