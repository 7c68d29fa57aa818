// The raw memory editor against the simulated driver (and, where a reply
// must be cut short or a request observed in flight, against the recording
// back end).

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
#include "sim/sim_driver.h"

#include <modbus.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>

#include <memory>

namespace {

typedef std::vector<unsigned short> words;

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

QString cell(memory_table& mt, unsigned short address)
{
    const auto pos = map_pos(address);
    return child<QTableWidget>(mt, "mt")->item(pos.second, pos.first)->text();
}

void select_cell(memory_table& mt, unsigned short address)
{
    auto* table = child<QTableWidget>(mt, "mt");
    const auto pos = map_pos(address);
    table->selectionModel()->select(table->model()->index(pos.second, pos.first), QItemSelectionModel::Select);
}

bool buttons_enabled(memory_table& mt)
{
    return child<QPushButton>(mt, "read")->isEnabled() && child<QPushButton>(mt, "write")->isEnabled()
        && child<QPushButton>(mt, "read_all")->isEnabled();
}

bool buttons_disabled(memory_table& mt)
{
    return !child<QPushButton>(mt, "read")->isEnabled() && !child<QPushButton>(mt, "write")->isEnabled()
        && !child<QPushButton>(mt, "read_all")->isEnabled();
}

// Replaces the whole text of a spin box by typing, as a user does.
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

    test_support::quick_driver sim_;

    modbus::connection_p sim_link() { return std::make_shared<modbus::connection>(test_support::serial_descriptor(sim_), 3); }

private slots:
    void initTestCase()
    {
        // Failed attempts don't sleep.
        modbus::connection::modbus_device::set_pause([] {});
        test_support::log_recorder();
    }

    void init()
    {
        sim_.clear_faults();
        sim_.reset_counts();
        sim_.set_request_log(true);
        QSettings().remove(QStringLiteral("debug_port"));
        modbus::set_serial_port_source({});
    }

    void cleanupTestCase()
    {
        modbus::connection::modbus_device::set_pause({});
        modbus::set_serial_port_source({});
    }

    void table_and_boxes_at_start()
    {
        memory_table mt;
        auto* table = child<QTableWidget>(mt, "mt");
        QCOMPARE(table->rowCount(), 256);
        QCOMPARE(table->columnCount(), 256);
        for (int s : {0, 9, 15, 16, 255}) {
            const QString label = QStringLiteral("0x") + QString::number(s, 16).toUpper();
            QCOMPARE(table->horizontalHeaderItem(s)->text(), label);
            QCOMPARE(table->verticalHeaderItem(s)->text(), label);
        }
        QCOMPARE(table->horizontalHeaderItem(255)->text(), QStringLiteral("0xFF"));
        QCOMPARE(cell(mt, 0x0102), QStringLiteral("258"));
        QCOMPARE(cell(mt, 0xFFF0), QStringLiteral("65520"));
        QVERIFY(buttons_disabled(mt));

        auto* addr = child<QHexSpinBox>(mt, "addr");
        auto* value = child<QHexSpinBox>(mt, "value");
        QCOMPARE(addr->text(), QStringLiteral("0x0"));
        addr->setValue(255);
        QCOMPARE(addr->text(), QStringLiteral("0xFF"));
        addr->setValue(70000);
        QCOMPARE(addr->text(), QStringLiteral("0xFFFF"));
        QCOMPARE(value->maximum(), 65535);

        // The jump makes 0xFFF0 current; its cell still holds its address.
        QTest::mouseClick(child<QPushButton>(mt, "gotoprofile"), Qt::LeftButton);
        QCOMPARE(table->currentRow(), 0xFF);
        QCOMPARE(table->currentColumn(), 0xF0);
        QCOMPARE(addr->text(), QStringLiteral("0xFFF0"));
        QCOMPARE(value->text(), QStringLiteral("0xFFF0"));

        // A cell that doesn't hold a number gives 0; no current cell is
        // no harm.
        table->item(0x12, 0x34)->setText(QStringLiteral("abc"));
        table->setCurrentCell(0x12, 0x34);
        QCOMPARE(addr->value(), 0x1234);
        QCOMPARE(value->value(), 0);
        table->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        QCOMPARE(addr->value(), 0x1234);
    }

    void typed_hexadecimal_is_what_is_written()
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
        QCOMPARE(addr->text(), QStringLiteral("0xFFF0"));
        // A fifth digit would leave the range: the box refuses it.
        type_into(value, QStringLiteral("12345"));
        QCOMPARE(value->value(), 0x1234);

        type_into(addr, QStringLiteral("1A2B"));
        type_into(value, QStringLiteral("BEEF"));
        mt.set_connection(sim_link());
        QTest::mouseClick(child<QPushButton>(mt, "write"), Qt::LeftButton);
        QCOMPARE(sim_.get_register(0x1A2B), 0xBEEF);
    }

    void write_reaches_the_driver_and_leaves_the_cell()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        QVERIFY(buttons_enabled(mt));
        sim_.set_register(0x1234, 7);
        sim_.reset_counts();
        child<QHexSpinBox>(mt, "addr")->setValue(0x1234);
        child<QHexSpinBox>(mt, "value")->setValue(0xFF);
        QTest::mouseClick(child<QPushButton>(mt, "write"), Qt::LeftButton);
        QCOMPARE(sim_.get_register(0x1234), 0xFF);
        QCOMPARE(sim_.request_log().size(), std::size_t(1));
        QCOMPARE(cell(mt, 0x1234), QString::number(0x1234));
    }

    void refused_write_is_reported()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        mt.findChild<QLineEdit*>(QStringLiteral("device"))->setText(QStringLiteral("the sim"));
        sim_.set_register(0x600, 3);
        sim_.exception_range(0x600, 1, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        child<QHexSpinBox>(mt, "addr")->setValue(0x600);
        child<QHexSpinBox>(mt, "value")->setValue(9);
        auto& log = test_support::log_recorder();
        test_support::modal_answerer boxes;
        mt.write();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Can't write data"));
        QVERIFY2(boxes.boxes()[0].text.startsWith(QStringLiteral("Can't write data 'the sim' : ")),
                 qPrintable(boxes.boxes()[0].text));
        QVERIFY(boxes.boxes()[0].text.size() > QStringLiteral("Can't write data 'the sim' : ").size());
        QCOMPARE(boxes.boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        bool logged = false;
        for (const auto& e : log.entries)
            logged = logged || (e.msg.level == cl::syslog::err && e.msg.text.find("Can't write data:") == 0);
        QVERIFY(logged);
        QCOMPARE(sim_.get_register(0x600), 3);
    }

    void read_sends_one_request_per_selected_cell()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        sim_.set_register(0x0005, 11);
        sim_.set_register(0x1234, 22);
        sim_.set_register(0xFFFF, 33);
        sim_.reset_counts();

        mt.read();
        QCOMPARE(sim_.requests(), 0u);

        for (unsigned short a : {0x0005, 0x1234, 0xFFFF})
            select_cell(mt, a);
        QTest::mouseClick(child<QPushButton>(mt, "read"), Qt::LeftButton);
        auto log = sim_.request_log();
        std::sort(log.begin(), log.end(), [](const sim::request& a, const sim::request& b) { return a.address < b.address; });
        QCOMPARE(log.size(), std::size_t(3));
        QCOMPARE(log[0], (sim::request{3, 0x0005, 1}));
        QCOMPARE(log[1], (sim::request{3, 0x1234, 1}));
        QCOMPARE(log[2], (sim::request{3, 0xFFFF, 1}));
        QCOMPARE(cell(mt, 0x0005), QStringLiteral("11"));
        QCOMPARE(cell(mt, 0x1234), QStringLiteral("22"));
        QCOMPARE(cell(mt, 0xFFFF), QStringLiteral("33"));
    }

    void read_all_reads_every_register()
    {
        for (unsigned a = 0; a < 0x10000; a += 0x1000) {
            words w(0x1000);
            for (unsigned k = 0; k < w.size(); ++k)
                w[k] = pattern(a + k);
            sim_.set_registers(static_cast<unsigned short>(a), w);
        }
        sim_.reset_counts();
        memory_table mt;
        mt.set_connection(sim_link());
        test_support::modal_answerer boxes;
        QTest::mouseClick(child<QPushButton>(mt, "read_all"), Qt::LeftButton);
        QCOMPARE(boxes.count(), 0);

        const auto log = sim_.request_log();
        QCOMPARE(log.size(), std::size_t(596));
        for (std::size_t i = 0; i < 595; ++i)
            QCOMPARE(log[i], (sim::request{3, static_cast<std::uint16_t>(i * 110), 110}));
        QCOMPARE(log[595], (sim::request{3, 65450, 86}));
        for (unsigned a = 0; a < 0x10000; ++a)
            if (cell(mt, static_cast<unsigned short>(a)) != QString::number(pattern(a)))
                QFAIL(qPrintable(QStringLiteral("cell %1 holds %2").arg(a).arg(cell(mt, static_cast<unsigned short>(a)))));
    }

    void read_all_follows_what_came_back()
    {
        test_support::vmem().clear();
        for (unsigned a = 0; a < 0x10000; ++a)
            test_support::vmem()[static_cast<unsigned short>(a)] = pattern(a);
        test_support::recording_backend* be = nullptr;
        memory_table mt;
        mt.set_connection(test_support::test_connection(be));

        // Every reply is short: each block starts where the last one ended.
        be->short_reads = 100;
        mt.read_all();
        QCOMPARE(be->reads().size(), std::size_t(656));
        for (std::size_t i = 0; i < be->requests.size(); ++i) {
            QCOMPARE(be->requests[i].address, static_cast<unsigned short>(i * 100));
            QCOMPARE(be->requests[i].count, std::size_t(i == 655 ? 36 : 110));
        }
        for (unsigned a = 0; a < 0x10000; ++a)
            if (cell(mt, static_cast<unsigned short>(a)) != QString::number(pattern(a)))
                QFAIL(qPrintable(QStringLiteral("cell %1 holds %2").arg(a).arg(cell(mt, static_cast<unsigned short>(a)))));

        // A reply without registers ends the pass.
        be->clear();
        be->short_reads = 0;
        mt.read_all();
        QCOMPARE(be->reads().size(), std::size_t(1));
    }

    void read_failures_are_reported()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        mt.findChild<QLineEdit*>(QStringLiteral("device"))->setText(QStringLiteral("pts"));
        sim_.exception_range(0x700, 10, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        test_support::modal_answerer boxes;

        // The failing block ends the pass; earlier blocks keep their texts.
        sim_.set_register(0x10, 4321);
        mt.read_all();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.boxes()[0].title, QStringLiteral("Can't read data"));
        QVERIFY(boxes.boxes()[0].text.startsWith(QStringLiteral("Can't read data 'pts' : ")));
        QCOMPARE(cell(mt, 0x10), QStringLiteral("4321"));
        QCOMPARE(sim_.request_log().back().address, 16 * 110);

        // A failing cell stops the read of the cells after it.
        sim_.reset_counts();
        select_cell(mt, 0x700);
        mt.read();
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.boxes()[1].title, QStringLiteral("Can't read data"));
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
        QVERIFY(buttons_disabled(mt));

        const std::string tty = sim_.tty_path();
        modbus::set_serial_port_source([tty] { return std::vector<modbus::serial_port>{{"simport", tty}}; });
        device->setText(QStringLiteral("simport"));
        QTest::mouseClick(child<QPushButton>(mt, "connect"), Qt::LeftButton);
        QCOMPARE(boxes.count(), 1);
        QVERIFY(buttons_enabled(mt));
        sim_.set_register(0x42, 4242);
        select_cell(mt, 0x42);
        mt.read();
        QCOMPARE(cell(mt, 0x42), QStringLiteral("4242"));

        // A failed connect keeps the link it found.
        device->setText(QStringLiteral("gone"));
        mt.connect_device();
        QCOMPARE(boxes.count(), 2);
        QVERIFY(buttons_enabled(mt));
        sim_.set_register(0x42, 4343);
        mt.read();
        QCOMPARE(cell(mt, 0x42), QStringLiteral("4343"));
    }

    void device_list_stores_only_a_pick()
    {
        const std::string tty = sim_.tty_path();
        modbus::set_serial_port_source([tty] { return std::vector<modbus::serial_port>{{"simport", tty}}; });
        QSettings().setValue(QStringLiteral("debug_port"), QStringLiteral("simport"));
        auto* mt = new memory_table;
        auto* device = child<QLineEdit>(*mt, "device");
        QCOMPARE(device->text(), QStringLiteral("simport"));

        QTest::mouseClick(child<QPushButton>(*mt, "port_select"), Qt::LeftButton);
        QPointer<QComboBox> list = mt->findChild<QComboBox*>();
        QVERIFY(list);
        QVERIFY(list->isWindow());
        QVERIFY(list->isVisible());
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
        delete mt;
        QVERIFY(list.isNull());
    }

    void polled_items_and_a_link_taken_away()
    {
        memory_table mt;
        mt.set_connection(sim_link());
        profiles::item it = profiles::single(0xFFFF);
        it.value.length = 2;
        it.value.data = {17, 18};
        mt.item_changed(it);
        QCOMPARE(cell(mt, 0xFFFF), QStringLiteral("17"));
        QCOMPARE(cell(mt, 0x0000), QStringLiteral("18"));
        it.value.data.clear();
        mt.item_changed(it);
        QCOMPARE(cell(mt, 0xFFFF), QStringLiteral("17"));

        mt.set_connection(nullptr);
        QVERIFY(buttons_disabled(mt));
        QCOMPARE(cell(mt, 0x0000), QStringLiteral("18"));
        // Reached without a link (set_enabled), nothing is sent.
        sim_.reset_counts();
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
        QPointer<memory_table> mt = new memory_table;
        // Held here as well, so that the back end outlives the editor.
        modbus::connection_p link = test_support::test_connection(be);
        mt->set_connection(link);
        // The link is taken away while events run after the third block.
        be->on_request = [&](const test_support::backend_request&) {
            if (be->reads().size() == 3)
                QTimer::singleShot(0, mt, [&] { mt->set_connection(nullptr); });
        };
        mt->read_all();
        QCOMPARE(be->reads().size(), std::size_t(3));

        // The editor is deleted while events run after the fifth block.
        be->clear();
        mt->set_connection(link);
        be->on_request = [&](const test_support::backend_request&) {
            if (be->reads().size() == 5)
                QTimer::singleShot(0, [&] { delete mt.data(); });
        };
        mt->read_all();
        QVERIFY(mt.isNull());
        QCOMPARE(be->reads().size(), std::size_t(5));
    }
};

VELMORA_TEST_MAIN(tst_memory_table)
#include "tst_memory_table.moc"
