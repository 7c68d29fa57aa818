// The raw memory editor against the simulated driver, and against the
// recording back end where a reply must be cut short or a pass interrupted.

#include "emulation.h"
#include "modal_answerer.h"
#include "quick_driver.h"
#include "recording_output.h"
#include "sim_link.h"
#include "test_main.h"

#include "memory_table.h"
#include "modbus/devices.h"
#include "modbus/modbus_device.h"
#include "qhexspinbox.h"

#include <modbus.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>

namespace {

unsigned short pattern(unsigned address)
{
    return static_cast<unsigned short>(address * 40503u + 7u);
}

template <typename T>
T* child(memory_table& mt, const char* name)
{
    T* w = mt.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("the editor has no %s", name);
    return w;
}

QTableWidgetItem* cell(memory_table& mt, unsigned short address)
{
    const auto pos = map_pos(address);
    return child<QTableWidget>(mt, "mt")->item(pos.second, pos.first);
}

// The first cell whose text isn't its register's pattern, or -1.
int first_wrong_cell(memory_table& mt)
{
    for (unsigned a = 0; a < 0x10000; ++a)
        if (cell(mt, static_cast<unsigned short>(a))->text() != QString::number(pattern(a)))
            return int(a);
    return -1;
}

void select_cell(memory_table& mt, unsigned short address)
{
    auto* table = child<QTableWidget>(mt, "mt");
    const auto pos = map_pos(address);
    table->selectionModel()->select(table->model()->index(pos.second, pos.first), QItemSelectionModel::Select);
}

// Whether "read", "write" and "readl all" are all enabled (1), all
// disabled (0), or mixed (-1).
int buttons(memory_table& mt)
{
    const bool r = child<QPushButton>(mt, "read")->isEnabled();
    const bool w = child<QPushButton>(mt, "write")->isEnabled();
    const bool a = child<QPushButton>(mt, "read_all")->isEnabled();
    return r == w && w == a ? int(r) : -1;
}

// Replaces the whole text of a box by typing, as a user does.
void type_into(QHexSpinBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class tst_memory_table : public QObject {
    Q_OBJECT

    test_support::quick_driver sim_{true};

    modbus::connection_p sim_link()
    {
        return std::make_shared<modbus::connection>(test_support::serial_descriptor(sim_), 3);
    }

    void list_sim_as(const std::string& name)
    {
        const std::string tty = sim_.tty_path();
        modbus::set_serial_port_source([=] { return std::vector<modbus::serial_port>{{name, tty}}; });
    }

private slots:
    void initTestCase() { modbus::connection::modbus_device::set_pause([] {}); }

    void init()
    {
        sim_.clear_faults();
        sim_.reset_counts();
        QSettings().remove(QStringLiteral("debug_port"));
        modbus::set_serial_port_source({});
    }

    void start_and_jump()
    {
        memory_table mt;
        auto* table = child<QTableWidget>(mt, "mt");
        QCOMPARE(table->rowCount(), 256);
        QCOMPARE(table->columnCount(), 256);
        for (auto s : {std::make_pair(0, "0x0"), {15, "0xF"}, {16, "0x10"}, {255, "0xFF"}}) {
            QCOMPARE(table->horizontalHeaderItem(s.first)->text(), QString(s.second));
            QCOMPARE(table->verticalHeaderItem(s.first)->text(), QString(s.second));
        }
        QCOMPARE(cell(mt, 0x0102)->text(), QStringLiteral("258"));
        QCOMPARE(buttons(mt), 0);
        auto* addr = child<QHexSpinBox>(mt, "addr");
        addr->setValue(255);
        QCOMPARE(addr->text(), QStringLiteral("0xFF"));
        addr->setValue(70000);
        QCOMPARE(addr->text(), QStringLiteral("0xFFFF"));

        QTest::mouseClick(child<QPushButton>(mt, "gotoprofile"), Qt::LeftButton);
        QCOMPARE(table->currentRow(), 0xFF);
        QCOMPARE(table->currentColumn(), 0xF0);
        QCOMPARE(addr->text(), QStringLiteral("0xFFF0"));
        QCOMPARE(child<QHexSpinBox>(mt, "value")->text(), QStringLiteral("0xFFF0"));
        // A current index that isn't valid leaves the boxes alone.
        table->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        QCOMPARE(addr->value(), 0xFFF0);
    }

    void typed_hexadecimal_is_written()
    {
        memory_table mt;
        mt.show();
        QVERIFY(QTest::qWaitForWindowActive(&mt));
        auto* addr = child<QHexSpinBox>(mt, "addr");
        auto* value = child<QHexSpinBox>(mt, "value");
        type_into(addr, QStringLiteral("7A"));
        QCOMPARE(addr->value(), 0x7A);
        type_into(addr, QStringLiteral("fff0"));
        QCOMPARE(addr->value(), 0xFFF0);
        // A fifth digit would leave the range: the box refuses it.
        type_into(value, QStringLiteral("12345"));
        QCOMPARE(value->value(), 0x1234);

        type_into(addr, QStringLiteral("1A2B"));
        type_into(value, QStringLiteral("BEEF"));
        mt.set_connection(sim_link());
        QTest::mouseClick(child<QPushButton>(mt, "write"), Qt::LeftButton);
        QCOMPARE(sim_.get_register(0x1A2B), 0xBEEF);
    }

    void write_and_refused_write()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        child<QLineEdit>(mt, "device")->setText(QStringLiteral("the sim"));
        child<QHexSpinBox>(mt, "addr")->setValue(0x1234);
        child<QHexSpinBox>(mt, "value")->setValue(0xFF);
        QTest::mouseClick(child<QPushButton>(mt, "write"), Qt::LeftButton);
        QCOMPARE(sim_.get_register(0x1234), 0xFF);
        QCOMPARE(sim_.request_log(), (std::vector<sim::request>{{16, 0x1234, 1}}));
        QCOMPARE(cell(mt, 0x1234)->text(), QString::number(0x1234));

        // The driver refuses: a box and a log line, and the register stays.
        sim_.exception_range(0x1234, 1, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        child<QHexSpinBox>(mt, "value")->setValue(9);
        auto& log = test_support::log_recorder();
        test_support::modal_answerer boxes;
        mt.write();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Can't write data"));
        const QString prefix = QStringLiteral("Can't write data 'the sim' : ");
        QVERIFY2(boxes.boxes()[0].text.startsWith(prefix) && boxes.boxes()[0].text.size() > prefix.size(),
                 qPrintable(boxes.boxes()[0].text));
        bool logged = false;
        for (const auto& e : log.entries)
            logged = logged || (e.msg.level == cl::syslog::err && e.msg.text.find("Can't write data:") == 0);
        QVERIFY(logged);
        QCOMPARE(sim_.get_register(0x1234), 0xFF);
    }

    void read_sends_one_request_per_selected_cell()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        mt.read();
        QCOMPARE(sim_.requests(), 0u);

        std::vector<sim::request> expected;
        for (unsigned short a : {0x0005, 0x1234, 0xFFFF}) {
            sim_.set_register(a, pattern(a));
            select_cell(mt, a);
            expected.push_back({3, a, 1});
        }
        QTest::mouseClick(child<QPushButton>(mt, "read"), Qt::LeftButton);
        auto log = sim_.request_log();
        std::sort(log.begin(), log.end(), [](const sim::request& x, const sim::request& y) { return x.address < y.address; });
        QCOMPARE(log, expected);
        for (const auto& r : expected)
            QCOMPARE(cell(mt, r.address)->text(), QString::number(pattern(r.address)));
    }

    void read_all_reads_every_register()
    {
        std::vector<std::uint16_t> all(0x10000);
        for (unsigned a = 0; a < all.size(); ++a)
            all[a] = pattern(a);
        sim_.set_registers(0, all);
        sim_.reset_counts();
        memory_table mt;
        mt.set_connection(sim_link());
        test_support::modal_answerer boxes;
        QTest::mouseClick(child<QPushButton>(mt, "read_all"), Qt::LeftButton);
        QCOMPARE(boxes.count(), 0);

        std::vector<sim::request> expected;
        for (unsigned i = 0; i < 595; ++i)
            expected.push_back({3, static_cast<std::uint16_t>(i * 110), 110});
        expected.push_back({3, 65450, 86});
        QCOMPARE(sim_.request_log(), expected);
        QCOMPARE(first_wrong_cell(mt), -1);
    }

    void read_all_follows_what_came_back()
    {
        for (unsigned a = 0; a < 0x10000; ++a)
            test_support::vmem()[static_cast<unsigned short>(a)] = pattern(a);
        test_support::recording_backend* be = nullptr;
        memory_table mt;
        mt.set_connection(test_support::test_connection(be));

        // Short replies: each block starts where the last one ended.
        be->short_reads = 100;
        mt.read_all();
        QCOMPARE(be->reads().size(), std::size_t(656));
        for (std::size_t i = 0; i < be->requests.size(); ++i) {
            QCOMPARE(be->requests[i].address, static_cast<unsigned short>(i * 100));
            QCOMPARE(be->requests[i].count, std::size_t(i == 655 ? 36 : 110));
        }
        QCOMPARE(first_wrong_cell(mt), -1);

        // A reply without registers ends the pass.
        be->clear();
        be->short_reads = 0;
        mt.read_all();
        QCOMPARE(be->reads().size(), std::size_t(1));

        // So does a failure, with its box.
        be->clear();
        be->short_reads = -1;
        be->on_request = [&](const test_support::backend_request&) {
            if (be->requests.size() == 3)
                throw modbus::connection_exception("Connection timed out", 110);
        };
        test_support::modal_answerer boxes;
        mt.read_all();
        QCOMPARE(be->reads().size(), std::size_t(3));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].text, QStringLiteral("Can't read data '' : Connection timed out"));
    }

    void connect_opens_a_link_of_its_own()
    {
        memory_table mt;
        test_support::modal_answerer boxes;
        auto* device = child<QLineEdit>(mt, "device");
        device->setText(QStringLiteral("no such port"));
        QTest::mouseClick(child<QPushButton>(mt, "connect"), Qt::LeftButton);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Can't open to device"));
        QCOMPARE(boxes.boxes()[0].text, QStringLiteral("Can't open device 'no such port' : there is no such device"));
        QCOMPARE(buttons(mt), 0);

        list_sim_as("simport");
        device->setText(QStringLiteral("simport"));
        QTest::mouseClick(child<QPushButton>(mt, "connect"), Qt::LeftButton);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(buttons(mt), 1);
        sim_.set_register(0x42, 4242);
        select_cell(mt, 0x42);
        mt.read();
        QCOMPARE(cell(mt, 0x42)->text(), QStringLiteral("4242"));
    }

    void device_list_stores_only_a_pick()
    {
        list_sim_as("simport");
        QSettings().setValue(QStringLiteral("debug_port"), QStringLiteral("simport"));
        QPointer<memory_table> mt = new memory_table;
        auto* device = child<QLineEdit>(*mt, "device");
        QCOMPARE(device->text(), QStringLiteral("simport"));

        QTest::mouseClick(child<QPushButton>(*mt, "port_select"), Qt::LeftButton);
        QPointer<QComboBox> list = mt->findChild<QComboBox*>();
        QVERIFY(list && list->isWindow() && list->isVisible());
        QCOMPARE(list->count(), 2);
        QCOMPARE(device->text(), QStringLiteral("Autodetect"));
        QCOMPARE(QSettings().value(QStringLiteral("debug_port")).toString(), QStringLiteral("simport"));
        QSettings().remove(QStringLiteral("debug_port"));
        list->setCurrentIndex(1);
        QCOMPARE(device->text(), QStringLiteral("simport"));
        QCOMPARE(QSettings().value(QStringLiteral("debug_port")).toString(), QStringLiteral("simport"));

        // Closing the list frees it; a list left open goes with the editor.
        list->close();
        QTRY_VERIFY(list.isNull());
        QTest::mouseClick(child<QPushButton>(*mt, "port_select"), Qt::LeftButton);
        list = mt->findChild<QComboBox*>();
        QVERIFY(list);
        delete mt.data();
        QVERIFY(list.isNull());
    }

    void polled_items_and_no_link()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        profiles::item it = profiles::single(0xFFFF);
        it.value.length = 2;
        it.value.data = {17, 18};
        mt.item_changed(it);
        QCOMPARE(cell(mt, 0xFFFF)->text(), QStringLiteral("17"));
        QCOMPARE(cell(mt, 0x0000)->text(), QStringLiteral("18"));

        mt.set_connection(nullptr);
        QCOMPARE(buttons(mt), 0);
        QCOMPARE(cell(mt, 0x0000)->text(), QStringLiteral("18"));
        // Reached without a link, nothing is sent.
        mt.set_enabled(true);
        select_cell(mt, 1);
        mt.read();
        mt.write();
        mt.read_all();
        QCOMPARE(sim_.requests(), 0u);
    }

    void pass_ends_when_link_or_editor_goes()
    {
        test_support::recording_backend* be = nullptr;
        // Held here too, so that the back end outlives the editor.
        modbus::connection_p link = test_support::test_connection(be);
        QPointer<memory_table> mt = new memory_table;
        mt->set_connection(link);
        // Taken away while events run after the third block.
        be->on_request = [&](const test_support::backend_request&) {
            if (be->requests.size() == 3)
                QTimer::singleShot(0, mt, [&] { mt->set_connection(nullptr); });
        };
        mt->read_all();
        QCOMPARE(be->reads().size(), std::size_t(3));

        // The editor deleted while events run after the fifth block.
        be->clear();
        mt->set_connection(link);
        be->on_request = [&](const test_support::backend_request&) {
            if (be->requests.size() == 5)
                QTimer::singleShot(0, [&] { delete mt.data(); });
        };
        mt->read_all();
        QVERIFY(mt.isNull());
        QCOMPARE(be->reads().size(), std::size_t(5));
    }
};

VELMORA_TEST_MAIN(tst_memory_table)
#include "tst_memory_table.moc"
