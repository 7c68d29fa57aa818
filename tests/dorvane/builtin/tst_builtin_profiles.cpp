// The three profiles the library carries itself, as the registry hands
// them out.

#include "dorvane/converter.h"
#include "dorvane/profile.h"
#include "test_main.h"

#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace profiles;

namespace {

const char* const reserved = "Reserved (DO NOT CHANGE VALUE!)";

QVector<int> ints(const std::vector<u16>& v)
{
    QVector<int> r;
    for (u16 x : v)
        r << x;
    return r;
}

// The static map, then every page in order.
std::vector<const item*> all_rows(const profile& p)
{
    std::vector<const item*> rows;
    for (const item& it : p.static_map)
        rows.push_back(&it);
    for (const auto& page : p.pages)
        for (const item& it : page.second)
            rows.push_back(&it);
    return rows;
}

const std::vector<item>& page(const profile& p, const std::string& title)
{
    for (const auto& pg : p.pages)
        if (pg.first == title)
            return pg.second;
    throw std::runtime_error("no page " + title);
}

const item& row_named(const std::vector<item>& rows, const std::string& name)
{
    for (const item& it : rows)
        if (it.name == name)
            return it;
    throw std::runtime_error("no row " + name);
}

// The first register shown twice by the static map and one page together
// (text rows cover all their registers), or -1. Headings and the command
// register don't count.
int register_twice(const std::vector<item>& static_map, const std::vector<item>& rows)
{
    std::set<unsigned> seen;
    for (const auto* list : {&static_map, &rows})
        for (const item& it : *list) {
            if (it.address == no_addr || it.address == 0xFFF8)
                continue;
            for (unsigned r = it.address; r < it.address + std::max(1u, it.length()); ++r)
                if (!seen.insert(r).second)
                    return static_cast<int>(r);
        }
    return -1;
}

QString value_map_text(const value_map& m)
{
    QStringList parts;
    for (const auto& e : m)
        parts << QStringLiteral("%1 %2").arg(e.first).arg(QString::fromStdString(e.second));
    return parts.join(QStringLiteral(", "));
}

void check_same_item(const item& a, const item& b)
{
    QCOMPARE(a.address, b.address);
    QCOMPARE(a.min, b.min);
    QCOMPARE(a.max, b.max);
    QCOMPARE(ints(a.value.data), ints(b.value.data));
    QCOMPARE(a.value.length, b.value.length);
    QCOMPARE(a.value.is_signed, b.value.is_signed);
    QCOMPARE(a.gui, b.gui);
    QCOMPARE(a.dir, b.dir);
    QCOMPARE(a.scale, b.scale);
    QCOMPARE(a.offset, b.offset);
    QCOMPARE(value_map_text(a.map), value_map_text(b.map));
    QCOMPARE(a.name, b.name);
}

} // namespace

class tst_builtin_profiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { init_profiles(); }

    void registered_after_init()
    {
        QCOMPARE(ints(profile_list()), QVector<int>({6469, 6758, 6760}));
        for (u16 id : {6469, 6758, 6760}) {
            const profile& p = get_profile(id);
            QCOMPARE(p.id, id);
            QCOMPARE(p.name, std::string("static profile 0"));
            check_same_item(p.command, single(0xFFF8));
            check_same_item(p.extra, single(1));
        }
        QStringList titles;
        for (const auto& pg : get_profile(6469).pages)
            titles << QString::fromStdString(pg.first);
        QCOMPARE(titles, QStringList({"Driver Parameters", "Motor && Encoder Parameters", "Current Control Test",
                                      "Speed Control Test", "Position Control Test", "Control Parameters"}));
        for (u16 id : {6758, 6760}) {
            titles.clear();
            for (const auto& pg : get_profile(id).pages)
                titles << QString::fromStdString(pg.first);
            QCOMPARE(titles, QStringList({"Driver Monitoring", "Driver Parameters", "Motor Parameters"}));
        }
    }

    // Recounts the rows the way the distribution table of the three
    // profiles does: a checksum of the data entry of every row.
    void distribution_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QVector<int>>("rows");     // static map, pages
        QTest::addColumn<QVector<int>>("widgets");  // spin ro/rw, label, combo rw/ro, button, string ro/rw
        QTest::addColumn<QVector<int>>("images");   // unsigned, signed, text, none
        QTest::addColumn<QVector<int>>("scales");   // 1, 0.1, 0.01, 0.001
        QTest::newRow("6469") << 6469 << QVector<int>{26, 28, 29, 22, 18, 13, 7}
                              << QVector<int>{37, 36, 30, 18, 3, 14, 2, 3} << QVector<int>{83, 25, 5, 30}
                              << QVector<int>{86, 27, 7, 23};
        QTest::newRow("6758") << 6758 << QVector<int>{13, 16, 7, 7} << QVector<int>{14, 4, 12, 7, 0, 4, 2, 0}
                              << QVector<int>{19, 10, 2, 12} << QVector<int>{28, 11, 0, 4};
        QTest::newRow("6760") << 6760 << QVector<int>{12, 16, 7, 7} << QVector<int>{13, 4, 12, 7, 0, 4, 2, 0}
                              << QVector<int>{18, 10, 2, 12} << QVector<int>{27, 11, 2, 2};
    }

    void distribution()
    {
        QFETCH(int, id);
        QFETCH(QVector<int>, rows);
        QFETCH(QVector<int>, widgets);
        QFETCH(QVector<int>, images);
        QFETCH(QVector<int>, scales);
        const profile& p = get_profile(id);

        QVector<int> sizes{int(p.static_map.size())};
        for (const auto& pg : p.pages)
            sizes << int(pg.second.size());
        QCOMPARE(sizes, rows);

        QVector<int> w(8), img(4), sc(4);
        int other = 0;
        for (const item* it : all_rows(p)) {
            const bool ro = it->dir == profiles::ro;
            switch (it->gui) {
            case spin: ++w[ro ? 0 : 1]; break;
            case label: ++w[2]; break;
            case combo: ++w[ro ? 4 : 3]; break;
            case button: ++w[5]; break;
            case profiles::string: ++w[ro ? 6 : 7]; break;
            default: ++other;
            }
            if (it->length() == 0)
                ++img[3];
            else if (it->value.is_signed)
                ++img[1];
            else if (it->gui == profiles::string)
                ++img[2];
            else
                ++img[0];
            if (it->scale == 1.0f)
                ++sc[0];
            else if (it->scale == 0.1f)
                ++sc[1];
            else if (it->scale == 0.01f)
                ++sc[2];
            else if (it->scale == 0.001f)
                ++sc[3];
            else
                ++other;
        }
        QCOMPARE(other, 0);
        QCOMPARE(w, widgets);
        QCOMPARE(img, images);
        QCOMPARE(sc, scales);
    }

    void totals()
    {
        int rows = 0, lines = 0, tables = 0, buttons = 0, graphs = 0;
        for (u16 id : {6469, 6758, 6760}) {
            const profile& p = get_profile(id);
            for (const item* it : all_rows(p)) {
                ++rows;
                tables += it->gui == combo && !it->map.empty();
                buttons += it->gui == button;
            }
            lines += int(p.mmap.descriptions.size());
            graphs += int(p.graphics.size());
        }
        QCOMPARE(rows, 228);
        QCOMPARE(lines, 254);
        QCOMPARE(tables, 35);
        QCOMPARE(buttons, 22);
        QCOMPARE(graphs, 4);
    }

    // Every row has one of the five forms: heading, command button,
    // unsigned, signed or text.
    void row_forms()
    {
        for (u16 id : {6469, 6758, 6760}) {
            for (const item* it : all_rows(get_profile(id))) {
                const QByteArray where = QByteArray::number(id) + " \"" + it->name.c_str() + "\"";
                QVERIFY2(!it->name.empty(), where);
                QVERIFY2(it->offset == 0.0f, where);
                QVERIFY2((it->min == -1 && it->max == -1) || (id == 6469 && it->min == -32768 && it->max == 32767),
                         where);
                QVERIFY2((it->address == no_addr) == (it->gui == label), where);
                QVERIFY2((it->address == 0xFFF8) == (it->gui == button), where);
                switch (it->gui) {
                case label:
                    QVERIFY2(it->length() == 0 && it->value.data.empty() && !it->value.is_signed, where);
                    QVERIFY2(it->dir == ro && it->scale == 1.0f && it->map.empty() && it->min == -1, where);
                    break;
                case button:
                    QVERIFY2(it->length() == 1 && it->value.data.size() == 1 && !it->value.is_signed, where);
                    QVERIFY2(it->dir == wo && it->scale == 1.0f && it->min == -1, where);
                    QVERIFY2(it->map.size() == 1 && it->map[0].first == 0 && !it->map[0].second.empty(), where);
                    break;
                case spin:
                case combo:
                    QVERIFY2(it->length() == 1, where);
                    QVERIFY2(it->value.data == modbus::converter<unsigned short>::to_modbus(0), where);
                    QVERIFY2(it->dir == ro || it->dir == rw, where);
                    if (it->gui == spin) {
                        QVERIFY2(it->map.empty(), where);
                    } else {
                        QVERIFY2(!it->value.is_signed && it->scale == 1.0f && !it->map.empty(), where);
                        for (std::size_t i = 1; i < it->map.size(); ++i)
                            QVERIFY2(it->map[i - 1].first < it->map[i].first, where);
                    }
                    break;
                case profiles::string:
                    QVERIFY2(it->length() == (it->name == "Driver ID" ? 4u : 20u), where);
                    QVERIFY2(it->value.data == val_str(" ", it->length()).data && !it->value.is_signed, where);
                    QVERIFY2(it->dir != wo && it->scale == 1.0f && it->map.empty() && it->min == -1, where);
                    break;
                default:
                    QFAIL((where + " has a widget no built-in row uses").constData());
                }
            }
        }
    }

    void no_register_twice_on_a_panel()
    {
        // The check itself finds a register shown twice, also inside a text.
        const profile& p6758 = get_profile(6758);
        std::vector<item> doctored = p6758.pages.front().second;
        QCOMPARE(register_twice(p6758.static_map, doctored), -1);
        item inside = single(0x0084 + 19); // last register of "Error Description"
        doctored.push_back(inside);
        QCOMPARE(register_twice(p6758.static_map, doctored), 0x0084 + 19);

        for (u16 id : {6469, 6758, 6760}) {
            const profile& p = get_profile(id);
            for (const auto& pg : p.pages)
                QVERIFY2(register_twice(p.static_map, pg.second) == -1,
                         QByteArray::number(id) + " page " + pg.first.c_str());

            // A register on several pages is shown alike on each.
            std::map<u16, std::vector<const item*>> by_address;
            for (const auto& pg : p.pages)
                for (const item& it : pg.second)
                    if (it.address != no_addr && it.address != 0xFFF8)
                        by_address[it.address].push_back(&it);
            QVector<int> shared;
            for (const auto& e : by_address) {
                if (e.second.size() < 2)
                    continue;
                shared << e.first;
                for (const item* it : e.second) {
                    QCOMPARE(it->gui, e.second.front()->gui);
                    QCOMPARE(it->dir, e.second.front()->dir);
                    QCOMPARE(it->scale, e.second.front()->scale);
                }
            }
            QCOMPARE(shared, id == 6469 ? QVector<int>({0x0003, 0x0027, 0x0028, 0x002A, 0x00B1}) : QVector<int>());
        }
        const profile& p = get_profile(6469);
        QCOMPARE(row_named(page(p, "Current Control Test"), "Estimation of Inertia i [A/Mpps2]").address, u16(0x00B1));
        QCOMPARE(row_named(page(p, "Speed Control Test"), "Estimation of Inertia I [A/Mpps2]").address, u16(0x00B1));
        QCOMPARE(row_named(page(p, "Position Control Test"), "Estimation of Inertia I [A/Mpps2]").address, u16(0x00B1));
    }

    void command_buttons()
    {
        // code -> caption, label
        const std::map<int, std::pair<std::string, std::string>> known = {
            {0, {"Reset", "Reset Alarm"}},
            {1, {"ON", "Servo ON"}},
            {2, {"OFF", "Servo OFF"}},
            {3, {"Default", "Load Default Parameters"}},
            {4, {"Load", "Load Parameters from EEPROM"}},
            {5, {"Save", "Save Parameters to EEPROM"}},
            {16, {"Test", "Current Step"}},
            {17, {"Test", "Speed Step"}},
            {18, {"Test", "Position Test"}},
            {19, {"Apply and Test", "Apply Estimated R and L Value and Test Again"}},
            {20, {"Apply and Test", "Apply Estimated Inertia Value and Test Again"}},
            {21, {"Apply and Test", "Apply Estimated Inertia Value and Test Again"}},
            {22, {"Test", "Inertia Detection Test"}},
            {23, {"Apply", "Apply Estimated Inertia"}},
        };
        auto codes = [&](const std::vector<item>& rows) {
            QVector<int> r;
            for (const item& it : rows) {
                if (it.gui != button)
                    continue;
                const int code = it.value.data.at(0);
                r << code;
                const auto k = known.find(code);
                if (k == known.end() || k->second.first != it.map.at(0).second || k->second.second != it.name)
                    r << -1;
            }
            return r;
        };
        const profile& p = get_profile(6469);
        QCOMPARE(codes(p.static_map), QVector<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(codes(page(p, "Current Control Test")), QVector<int>({16, 19, 22, 23}));
        QCOMPARE(codes(page(p, "Speed Control Test")), QVector<int>({17, 20}));
        QCOMPARE(codes(page(p, "Position Control Test")), QVector<int>({18, 21}));
        for (u16 id : {6758, 6760}) {
            QCOMPARE(codes(get_profile(id).static_map), QVector<int>({3, 4, 5, 0}));
            for (const auto& pg : get_profile(id).pages)
                QCOMPARE(codes(pg.second), QVector<int>());
        }
    }

    // The runs of the static maps that the three share word for word.
    void shared_static_rows_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("driver_type");
        QTest::addColumn<int>("error_number");
        QTest::addColumn<int>("error_text");
        QTest::newRow("6469") << 6469 << 0x00C5 << 0x009D << 0x00D9;
        QTest::newRow("6758") << 6758 << 0x0070 << 0x004F << 0x0084;
        QTest::newRow("6760") << 6760 << 0x0058 << 0x003C << 0x006C;
    }

    void shared_static_rows()
    {
        QFETCH(int, id);
        QFETCH(int, driver_type);
        QFETCH(int, error_number);
        QFETCH(int, error_text);
        const std::vector<item>& s = get_profile(id).static_map;

        item text20 = single(driver_type);
        text20.value = val_str(" ", 20);
        text20.gui = profiles::string;
        text20.dir = ro;
        text20.scale = 1.0f;
        text20.name = "Driver Type";
        check_same_item(row_named(s, "Driver Type"), text20);

        auto at = [&](const std::string& name) {
            for (std::size_t i = 0; i < s.size(); ++i)
                if (s[i].name == name)
                    return i;
            return s.size();
        };
        const std::size_t store = at("Rarameters Default/Load/Save");
        QVERIFY(store > 0 && store + 3 < s.size());
        QCOMPARE(s[store - 1].name, std::string(" "));
        QCOMPARE(s[store - 1].gui, label);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(int(s[store + 1 + k].value.data.at(0)), 3 + k);

        const std::size_t err = at("Error Description / Reset Alarm");
        QVERIFY(err + 3 < s.size());
        item number = single(error_number);
        number.gui = spin;
        number.dir = ro;
        number.scale = 1.0f;
        number.name = "Driver Error Number";
        check_same_item(s[err + 1], number);
        text20.address = error_text;
        text20.name = "Error Description";
        check_same_item(s[err + 2], text20);
        QCOMPARE(s[err + 3].gui, button);
        QCOMPARE(int(s[err + 3].value.data.at(0)), 0);
    }

    void text_rows()
    {
        struct text_row {
            u16 id;
            const char* name;
            int first;
            unsigned count;
            item_dir dir;
        };
        const text_row expected[] = {
            {6469, "Driver Type", 0x00C5, 20, ro},  {6469, "Driver ID", 0x000A, 4, rw},
            {6469, "Motor Type", 0x005D, 20, rw},   {6469, "Encoder Type", 0x0071, 20, rw},
            {6469, "Error Description", 0x00D9, 20, ro}, {6758, "Driver Type", 0x0070, 20, ro},
            {6758, "Error Description", 0x0084, 20, ro}, {6760, "Driver Type", 0x0058, 20, ro},
            {6760, "Error Description", 0x006C, 20, ro},
        };
        int found = 0;
        for (u16 id : {6469, 6758, 6760})
            for (const item* it : all_rows(get_profile(id)))
                found += it->gui == profiles::string;
        QCOMPARE(found, int(std::size(expected)));
        for (const text_row& t : expected) {
            const item& it = row_named(get_profile(t.id).static_map, t.name);
            QCOMPARE(it.gui, profiles::string);
            QCOMPARE(int(it.address), t.first);
            QCOMPARE(it.length(), t.count);
            QCOMPARE(it.dir, t.dir);
            QCOMPARE(it.value.data.at(0), u16(0x0020));
        }

        // The map names the registers the texts of 6469 cover.
        const auto& lines = get_profile(6469).mmap.descriptions;
        const std::pair<const char*, const char*> covered[] = {
            {"Driver ID", "DB_DriverID_String_"},
            {"Motor Type", "DB_MotorName_String_"},
            {"Encoder Type", "DB_EncoderName_String_"},
        };
        for (const auto& c : covered) {
            const item& it = row_named(get_profile(6469).static_map, c.first);
            QVERIFY(!QByteArray(lines.at(it.address - 1).c_str()).startsWith(c.second));
            for (unsigned r = it.address; r < it.address + it.length(); ++r)
                QVERIFY2(QByteArray(lines.at(r).c_str()).startsWith(c.second), lines.at(r).c_str());
            QVERIFY(!QByteArray(lines.at(it.address + it.length()).c_str()).startsWith(c.second));
        }
    }

    void ranged_rows()
    {
        QStringList unsigned_rows, signed_rows;
        for (u16 id : {6469, 6758, 6760})
            for (const item* it : all_rows(get_profile(id)))
                if (it->min == -32768 && it->max == 32767)
                    (it->value.is_signed ? signed_rows : unsigned_rows)
                        << QStringLiteral("%1 %2").arg(id).arg(QString::fromStdString(it->name));
        QCOMPARE(unsigned_rows, QStringList({"6469 Slave ID", "6469 Speed Limit [Kpps]", "6469 Overspeed Alarm [Kpps]",
                                             "6469 Estimation of Max Motor Speed [Kpps]",
                                             "6469 Max Speed V [kpps]"}));
        QCOMPARE(signed_rows, QStringList({"6469 Actual Speed w [kpps]", "6469 Speed [Kpps]",
                                           "6469 Speed Test Value [kpps]", "6469 Speed Error [kpps]"}));
    }

    void value_tables()
    {
        const profile& p = get_profile(6469);
        const item& hall = row_named(page(p, "Motor && Encoder Parameters"), "Hall Sensors");
        QCOMPARE(hall.dir, ro);
        QCOMPARE(value_map_text(hall.map), QStringLiteral("0 Err, 1 __W, 2 _V_, 3 _VW, 4 U__, 5 U_W, 6 UV_, 7 Err"));
        QCOMPARE(value_map_text(row_named(page(p, "Control Parameters"),
                                          "Motion Control Time Discretization (dt) [mS]")
                                    .map),
                 QStringLiteral("0 0.25, 1 0.5, 2 1, 3 2, 4 4, 5 8, 6 16, 7 32"));
        const item& flags = row_named(page(p, "Position Control Test"), "Limit Flags");
        QCOMPARE(flags.gui, combo);
        QCOMPARE(flags.dir, ro);
        QCOMPARE(value_map_text(flags.map), QStringLiteral("0 No Limit Flags, 1 Current, 2 Speed, 3 Speed,Current, "
                                                           "4 Position, 5 Position,Current, 6 Position,Speed, "
                                                           "7 Pos,Spd,Current"));
        QCOMPARE(row_named(p.static_map, "Limit Flags").gui, spin); // another register, shown as a number

        for (u16 id : {6758, 6760}) {
            const profile& q = get_profile(id);
            const item& resolution = row_named(page(q, "Driver Parameters"), "Resolution");
            QCOMPARE(resolution.map.size(), std::size_t(16));
            QCOMPARE(value_map_text(resolution.map),
                     QStringLiteral("0 1/2.5, 1 1/5, 2 1/8, 3 1/10, 4 1/16, 5 1/18, 6 1/20, 7 1/25, 8 1/32, 9 1/40, "
                                    "10 1/50, 11 1/100, 12 1/125, 13 1/180, 14 1/200, 15 1/250"));
            const std::vector<item>& motor = page(q, "Motor Parameters");
            QCOMPARE(motor.at(4).name, std::string("Dumping Parameters"));
            QCOMPARE(value_map_text(row_named(motor, "Gain").map),
                     QStringLiteral("0 Off, 9 0.125, 10 0.25, 11 0.5, 12 1.0, 13 2.0, 14 4.0, 15 8.0"));
            QCOMPARE(value_map_text(row_named(motor, "Filter Frequency F [Hz]").map),
                     QStringLiteral("2 1600, 3 800, 4 400, 5 200, 6 100"));
        }
    }

    // The two small profiles share their pages row for row; only the
    // registers and the scales of the coil values differ.
    void small_profiles_alike()
    {
        const profile& a = get_profile(6758);
        const profile& b = get_profile(6760);
        QCOMPARE(a.pages.size(), b.pages.size());
        int scale_differences = 0;
        for (auto pa = a.pages.begin(), pb = b.pages.begin(); pa != a.pages.end(); ++pa, ++pb) {
            QCOMPARE(pa->first, pb->first);
            QCOMPARE(pa->second.size(), pb->second.size());
            for (std::size_t i = 0; i < pa->second.size(); ++i) {
                item x = pa->second[i];
                const item& y = pb->second[i];
                x.address = y.address;
                if (x.scale != y.scale) {
                    ++scale_differences;
                    QVERIFY(x.name == "Resistance R [Ohm]" || x.name == "Inductance L [mH]");
                    QCOMPARE(x.scale, 0.001f);
                    QCOMPARE(y.scale, 0.01f);
                    x.scale = y.scale;
                }
                check_same_item(x, y);
            }
        }
        QCOMPARE(scale_differences, 2);

        const std::vector<item>& ma = page(a, "Motor Parameters");
        const std::vector<item>& mb = page(b, "Motor Parameters");
        QVERIFY(qFuzzyCompare(1234 * row_named(ma, "Resistance R [Ohm]").scale, 1.234f));
        QVERIFY(qFuzzyCompare(1234 * row_named(mb, "Resistance R [Ohm]").scale, 12.34f));
        QVERIFY(qFuzzyCompare(1234 * row_named(ma, "Inductance L [mH]").scale, 1.234f));
        QVERIFY(qFuzzyCompare(1234 * row_named(mb, "Inductance L [mH]").scale, 12.34f));

        // Two "Actual Voltage" rows on one page, at different registers.
        for (const auto& [id, regs] : {std::pair<u16, QVector<int>>{6758, {0x0050, 0x0030}},
                                       std::pair<u16, QVector<int>>{6760, {0x003E, 0x003D}}}) {
            QVector<int> found;
            for (const item& it : page(get_profile(id), "Driver Monitoring"))
                if (it.name == "Actual Voltage U [V]")
                    found << it.address;
            QCOMPARE(found, regs);
        }
        QCOMPARE(a.static_map.size(), b.static_map.size() + 1);
        QCOMPARE(a.static_map.front().name, std::string("Driver & Motor Information"));
        QCOMPARE(b.static_map.front().name, std::string("Driver Information"));
    }

    void graphs()
    {
        QVERIFY(get_profile(6758).graphics.empty());
        QVERIFY(get_profile(6760).graphics.empty());
        const std::vector<graphic>& g = get_profile(6469).graphics;
        QCOMPARE(g.size(), std::size_t(4));
        u16 next = 0x010E;
        for (std::size_t i = 0; i < g.size(); ++i) {
            QCOMPARE(g[i].title, "Graph " + std::to_string(i + 1));
            check_same_item(g[i].trigger, single(u16(0x0088 + 2 * i)));
            QCOMPARE(g[i].count, 256u);
            QCOMPARE(g[i].start, next); // no gap, no overlap
            next = u16(g[i].start + g[i].count);
        }
        QCOMPARE(int(next) - 1, 0x050D);
    }

    void memory_maps_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("until");
        QTest::addColumn<int>("lines");
        QTest::newRow("6469") << 6469 << 133 << 134;
        QTest::newRow("6758") << 6758 << 75 << 76;
        QTest::newRow("6760") << 6760 << 44 << 44;
    }

    void memory_maps()
    {
        QFETCH(int, id);
        QFETCH(int, until);
        QFETCH(int, lines);
        const mmap_template& m = get_profile(id).mmap;
        QCOMPARE(m.header, std::string("\n// Memory map file\n"));
        QCOMPARE(m.footer, std::string("//\n0xFFF8, 5; // Save current parameters to EEPROM\n// End of file\n"));
        QCOMPARE(int(m.from), 0);
        QCOMPARE(int(m.until), until);
        QCOMPARE(int(m.descriptions.size()), lines);

        for (int i = 0; i < lines; ++i) {
            const QString line = QString::fromStdString(m.descriptions[i]);
            const QByteArray where = QByteArray::number(i) + ": " + line.toLatin1();
            QVERIFY2(!line.isEmpty() && line == line.trimmed(), where);
            if (line == reserved)
                continue;
            if (line.startsWith("DB_")) {
                const QString name = line.section(' ', 0, 0);
                if (id == 6469) {
                    QVERIFY2(line == name.leftJustified(32) + QStringLiteral("%1").arg(i, 3), where);
                } else {
                    QCOMPARE(id, 6758);
                    if (i != 53 && i != 71)
                        QVERIFY2(line == name.leftJustified(35) + QStringLiteral("%1").arg(i, 3), where);
                }
                continue;
            }
            if (id != 6760) {
                // The bracket starts in column 55; some lines of 6758 have
                // none.
                QVERIFY2(line.indexOf('[') == 54 || (id == 6758 && !line.contains('[')), where);
            } else {
                const int column = i <= 8 ? 42 : i <= 20 ? 60 : i <= 22 ? -1 : 21;
                if (column >= 0)
                    QVERIFY2(line.indexOf('[') == column, where);
            }
        }
    }

    void description_lines()
    {
        struct line {
            u16 id;
            int reg;
            const char* text;
        };
        const line spots[] = {
            {6469, 4, "DB_PulseMode_Flag                 4"},
            {6469, 5, "Signal Polarity (input)  Servo-On ................... [0-Normal / 1-Inverse]"},
            {6469, 37, "Max Motor Speed ...................... (format x.x)   [kpps]"},
            {6469, 48, "DB_SC_NotchFilter_Attenuation_dB 48"},
            {6469, 67, "Position Control Proportion Gain(Kp*dt)(format x.xxx) [Norm]"},
            {6469, 100, "DB_MotorName_String_07          100"},
            {6469, 133, "DB_Motor_CRC16                  133"},
            {6758, 26, "Back EMF Constant  ................... (format x.xx)  [V/kHz]"},
            {6758, 43, "Detect Step-Out Z Window ............. (format x.xxx)"},
            {6758, 52, "DB_VarRO_DSO_ErrorBefore_Percent_x_x 52"},
            {6758, 53, "DB_VarRO_DSO_ErrorAfter_Percent_x_x  53"},
            {6758, 61, "Current Control Mode ................................ [0-FF&FB; 1-FF Only; 2-FB Only]"},
            {6758, 71, "DB_VarRW_SpeedRef_V_kpps_x_x              71"},
            {6758, 75, "DB_Driver_CRC16                     75"},
            {6760, 20, "Motor Back EMF Constant  ................... (format x.x)   [V/kHz]"},
            {6760, 21, "Damping Output Gain [0:0.0, 9:0.125 10:0.25 11:0.5 12:1.0 13:2.0 14:4.0 15:8.0]"},
            {6760, 22, "Damping Filter Constant [2:1600Hz, 3:800Hz, 4:400Hz, 5:200Hz, 6:100Hz]"},
            {6760, 43, "Motor Name ......... [String]"},
        };
        for (const line& l : spots) {
            const std::string& got = get_profile(l.id).mmap.descriptions.at(l.reg);
            QCOMPARE(got, std::string(l.text));
            QCOMPARE(got.size(), std::strlen(l.text));
        }
        const std::vector<std::string>& d = get_profile(6758).mmap.descriptions;
        QCOMPARE(d[53].size(), std::size_t(39));
        QCOMPARE(d[71].size(), std::size_t(44));
        QCOMPARE(int(std::count(d.begin(), d.end(), std::string(reserved))), 23);
        const std::vector<std::string>& e = get_profile(6469).mmap.descriptions;
        QCOMPARE(int(std::count(e.begin(), e.end(), std::string(reserved))), 21);
        const std::vector<std::string>& f = get_profile(6760).mmap.descriptions;
        QCOMPARE(int(std::count(f.begin(), f.end(), std::string(reserved))), 10);
        QCOMPARE(int(std::count(f.begin(), f.end(), std::string("Motor Name ......... [String]"))), 20);
    }

    // The queue order, seen from a program that links nothing but the
    // library, and from one that links a copy of it with its units in the
    // opposite order.
    void queued_at_load_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("library") << QStringLiteral(QUEUE_PROBE);
        QTest::newRow("units reversed") << QStringLiteral(QUEUE_PROBE_REVERSED);
    }

    void queued_at_load()
    {
        QFETCH(QString, program);
        QProcess probe;
        probe.start(program, QStringList());
        QVERIFY2(probe.waitForFinished(30000), qPrintable(probe.errorString()));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(QString::fromLatin1(probe.readAllStandardError()),
                 QStringLiteral("delaying lazy init:6760\ndelaying lazy init:6758\ndelaying lazy init:6469\n"));
        QString expected;
        for (int id : {6760, 6758, 6469})
            expected += QStringLiteral("registering profile:static profile 0(%1)\nregistering profile finished\n")
                            .arg(id);
        expected += QStringLiteral("registered: 6469 6758 6760\n");
        QCOMPARE(QString::fromLatin1(probe.readAllStandardOutput()), expected);
    }
};

VELMORA_TEST_MAIN(tst_builtin_profiles)
#include "tst_builtin_profiles.moc"
