// The main window's hooks for a raw memory editor, with a window that holds
// one (the program's windows never do): the File entry, the link and the
// polled items while connected, the link taken away on disconnect.

#include "main_window_fixture.h"
#include "test_main.h"

#include "memory_table.h"

#include <QPushButton>
#include <QTableWidget>

#include <memory>

using test_support::sim_window;

namespace {

QString cell(memory_table& mt, unsigned short address)
{
    const auto pos = map_pos(address);
    return mt.findChild<QTableWidget*>("mt")->item(pos.second, pos.first)->text();
}

bool can_read(memory_table& mt)
{
    return mt.findChild<QPushButton*>("read")->isEnabled() && mt.findChild<QPushButton*>("write")->isEnabled()
        && mt.findChild<QPushButton*>("read_all")->isEnabled();
}

bool cannot_read(memory_table& mt)
{
    return !mt.findChild<QPushButton*>("read")->isEnabled() && !mt.findChild<QPushButton*>("write")->isEnabled()
        && !mt.findChild<QPushButton*>("read_all")->isEnabled();
}

} // namespace

class tst_main_window_memory : public QObject {
    Q_OBJECT

private slots:
    void file_entry_shows_the_editor()
    {
        sim_window w;
        QPointer<memory_table> editor = new memory_table;
        main_window_test_access::give_memory_table(*w.window, editor);
        QStringList file;
        for (QAction* a : w.menu("File")->actions())
            file << a->text();
        QCOMPARE(file, QStringList({"Run script...", "Save map...", "Raw Memory Editor", "Show log"}));
        QVERIFY(w.action("File", "Raw Memory Editor")->isEnabled());
        QVERIFY(!editor->isVisible());
        w.action("File", "Raw Memory Editor")->trigger();
        QVERIFY(editor->isVisible());

        // The window's editor goes with the window.
        w.window.reset();
        QVERIFY(editor.isNull());
    }

    void editor_follows_the_connection()
    {
        sim_window w;
        auto* editor = new memory_table;
        main_window_test_access::give_memory_table(*w.window, editor);
        QVERIFY(cannot_read(*editor));
        QVERIFY(w.connect());
        QVERIFY(can_read(*editor));

        // A polled register shows in its cell.
        const profiles::item* polled = nullptr;
        for (const auto& it : w.dev()->watch_list())
            if (it.dir != profiles::wo && it.length() == 1 && !polled)
                polled = &it;
        QVERIFY(polled);
        const unsigned short address = polled->address;
        const auto marker = static_cast<unsigned short>(w.sim.get_register(address) ^ 1);
        w.sim.set_register(address, marker);
        QVERIFY(main_window_test_access::fire_timer());
        QCOMPARE(cell(*editor, address), QString::number(marker));

        // The editor reads over the window's link.
        w.sim.set_register(0x42, 4242);
        auto* table = editor->findChild<QTableWidget*>("mt");
        table->selectionModel()->select(table->model()->index(0, 0x42), QItemSelectionModel::Select);
        editor->read();
        QCOMPARE(cell(*editor, 0x42), QStringLiteral("4242"));

        // On disconnect the editor lets go of the link with the window.
        std::weak_ptr<modbus::connection> link = w.dev()->shared_connection();
        w.disconnect();
        QVERIFY(!w.connected());
        QVERIFY(cannot_read(*editor));
        QVERIFY(link.expired());
        QCOMPARE(cell(*editor, 0x42), QStringLiteral("4242"));
        QCOMPARE(w.boxes.count(), 0);

        // And takes the next one.
        QVERIFY(w.connect());
        QVERIFY(can_read(*editor));
    }
};

VELMORA_TEST_MAIN(tst_main_window_memory)
#include "tst_main_window_memory.moc"
