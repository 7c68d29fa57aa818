// "Run script..." and "Save map..." of a main window connected to the
// simulated driver.

#include "file_dialog_answerer.h"
#include "file_size_limit.h"
#include "main_window_fixture.h"
#include "recording_output.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

using test_support::sim_window;

namespace {

const unsigned map_size = 133;

std::uint16_t pattern(unsigned a)
{
    return std::uint16_t(a * 0x9E37u + 0x79B9u);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void write_file(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

unsigned writes(const sim::driver& d)
{
    return d.requests(6) + d.requests(16);
}

} // namespace

class tst_main_window_files : public QObject {
    Q_OBJECT

    test_support::recording_output* log_ = nullptr;
    QTemporaryDir dir_;

private slots:
    void initTestCase() { log_ = &test_support::log_recorder(); }

    void init()
    {
        log_->clear();
        QSettings().remove("lastscript");
    }

    void save_map_and_run_it_back()
    {
        sim_window w;
        std::vector<std::uint16_t> values;
        for (unsigned a = 0; a < map_size; ++a)
            values.push_back(pattern(a));
        values[7] = 0xFFFF;
        w.sim.set_registers(0, values);
        QVERIFY(w.connect());

        test_support::file_dialog_answerer files;
        const QString path = dir_.filePath("6469 map.txt");
        files.answer(path);
        w.action("File", "Save map...")->trigger();
        QCOMPARE(w.boxes.count(), 0);
        QCOMPARE(int(files.dialogs().size()), 1);
        QCOMPARE(files.dialogs()[0].title, QString("Select file to save"));
        QCOMPARE(files.dialogs()[0].filters, QStringList("Scripts (*.txt)"));
        QCOMPARE(files.dialogs()[0].mode, QFileDialog::AcceptSave);
        QCOMPARE(QSettings().value("lastscript").toString(), QDir(dir_.path()).absolutePath());

        const QList<QByteArray> lines = contents(path).split('\n');
        QCOMPARE(lines.size(), int(1 + 3 + map_size + 3 + 2));
        QCOMPARE(lines[0], QByteArray("Profile:6469"));
        QCOMPARE(lines[1], QByteArray());
        QCOMPARE(lines[2], QByteArray("// Memory map file"));
        QVERIFY2(lines[4 + 7].startsWith("7, 65535; //\t"), lines[4 + 7].constData());
        QCOMPARE(lines[4 + map_size], QByteArray("//"));
        QCOMPARE(lines[5 + map_size], QByteArray("0xFFF8, 5; // Save current parameters to EEPROM"));
        QCOMPARE(lines[6 + map_size], QByteArray("// End of file"));

        // Run back into a driver that has forgotten everything.
        w.sim.set_registers(0, std::vector<std::uint16_t>(map_size, 0));
        w.sim.reset_counts();
        files.answer(path);
        w.action("File", "Run script...")->trigger();
        QCOMPARE(w.boxes.count(), 0);
        QCOMPARE(files.dialogs()[1].title, QString("Select script file"));
        QCOMPARE(files.dialogs()[1].filters, QStringList("Scripts (*.sc *.txt)"));
        QCOMPARE(files.dialogs()[1].directory, QDir(dir_.path()).absolutePath());
        QCOMPARE(w.sim.get_registers(0, map_size), values);
        QCOMPARE(w.sim.get_register(0xFFF8), std::uint16_t(5));
        QCOMPARE(writes(w.sim), map_size + 1);
        QVERIFY(log_->has("loading script file:" + QFile::encodeName(path).toStdString()));

        // Cancelled dialogs change nothing.
        QSettings().remove("lastscript");
        w.sim.reset_counts();
        w.action("File", "Save map...")->trigger();
        w.action("File", "Run script...")->trigger();
        QCOMPARE(int(files.dialogs().size()), 4);
        QVERIFY(!QSettings().contains("lastscript"));
        QCOMPARE(w.sim.requests(), 0u);
        QCOMPARE(w.boxes.count(), 0);
    }

    // The old map stays whole when the new one can't be written, or not
    // read from the driver.
    void failed_save_keeps_old_file()
    {
        sim_window w;
        QVERIFY(w.connect());
        test_support::file_dialog_answerer files;
        const QString path = dir_.filePath("kept.txt");
        const QByteArray old = "Profile:6469\n0, 1;\n";
        write_file(path, old);

        files.answer(path);
        {
            test_support::file_size_limit limit(1024);
            w.action("File", "Save map...")->trigger();
        }
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Error when writing file"));
        QCOMPARE(w.boxes.boxes()[0].text, QString("Can't write memory map file '%1':\n%2")
                                              .arg(path, QString::fromLocal8Bit(std::strerror(EFBIG))));
        QCOMPARE(contents(path), old);
        QCOMPARE(QDir(dir_.path()).entryList(QStringList("kept*")), QStringList("kept.txt"));
        QVERIFY(log_->has(std::string("error when writing memory map:") + std::strerror(EFBIG)));

        w.sim.exception_range(100, 10, 4);
        files.answer(path);
        w.action("File", "Save map...")->trigger();
        QCOMPARE(w.boxes.count(), 2);
        QCOMPARE(w.boxes.boxes()[1].title, QString("Error when reading from device"));
        QVERIFY2(w.boxes.boxes()[1].text.startsWith("Can't read device memory '0-133':\n"),
                 qPrintable(w.boxes.boxes()[1].text));
        QCOMPARE(contents(path), old);
        QVERIFY(w.connected());
    }

    void unreadable_or_bad_scripts_write_nothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing.sc" << QByteArray() << "No such file or directory";
        QTest::newRow("directory") << "." << QByteArray() << "";
        QTest::newRow("empty") << "empty.sc" << QByteArray("") << "there is no HW ID and Profile ID";
        QTest::newRow("bad last line") << "bad.sc" << QByteArray("Profile:6469\n1, 2;\n3, 4;\n5 6;\n")
                                       << "Error in line 3 : illformed expression: 5 6;";
    }

    void unreadable_or_bad_scripts_write_nothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = name == "." ? dir_.path() : dir_.filePath(name);
        if (name != "missing.sc" && name != ".")
            write_file(path, content);

        sim_window w;
        QVERIFY(w.connect());
        w.sim.reset_counts();
        test_support::file_dialog_answerer files;
        files.answer(path);
        w.action("File", "Run script...")->trigger();
        QCOMPARE(writes(w.sim), 0u);
        QCOMPARE(w.boxes.count(), 1);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Ivalid script file"));
        const QString text = w.boxes.boxes()[0].text;
        const QString head = QString("Can't read script file '%1':\n").arg(path);
        QVERIFY2(text.startsWith(head) && text.size() > head.size(), qPrintable(text));
        if (!reason.isEmpty())
            QCOMPARE(text, head + reason);
        QVERIFY(log_->has("running script failed:" + text.mid(head.size()).toLocal8Bit().toStdString()));
        QVERIFY(w.connected());
    }

    // A tick that fails while the map is read disconnects the window: the
    // read finishes on the handler's own reference, and no file is
    // written for a device that is gone.
    void disconnect_during_map_read()
    {
        sim_window w;
        QVERIFY(w.connect());
        std::weak_ptr<device> gone = w.dev();
        test_support::file_dialog_answerer files;
        const QString path = dir_.filePath("never.txt");
        files.answer(path);

        // Between the map's first and second request, the tick runs and the
        // driver fails it.
        QTimer failing_tick;
        QObject::connect(&failing_tick, &QTimer::timeout, [&] {
            if (w.sim.requests(3) == 0 || !w.connected())
                return;
            w.sim.exception_range(0, 0x10000, 4);
            main_window_test_access::fire_timer();
            w.sim.clear_faults();
        });
        files.set_before_answer([&] {
            w.sim.reset_counts();
            failing_tick.start(0);
        });
        log_->clear();
        w.action("File", "Save map...")->trigger();
        failing_tick.stop();

        QVERIFY(!w.connected());
        QVERIFY(gone.expired());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(w.boxes.count(), 2);
        QCOMPARE(w.boxes.boxes()[0].title, QString("Device error"));
        QCOMPARE(w.boxes.boxes()[1].title, QString("Error when reading from device"));
        QCOMPARE(w.boxes.boxes()[1].text, QString("Can't read device memory '0-133':\ndevice disconnected"));
        const int off = log_->index_of("device disconnected");
        QVERIFY(off >= 0);
        QVERIFY(log_->index_of("device destroyed", off) > off);
    }
};

VELMORA_TEST_MAIN(tst_main_window_files)
#include "tst_main_window_files.moc"
