// "Run script..." and "Save map..." of a main window connected to the
// simulated driver.

#include "failing_tick.h"
#include "file_bytes.h"
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

using test_support::file_bytes;
using test_support::modal_answerer;
using test_support::sim_window;

namespace {

const unsigned map_size = 133;

std::uint16_t pattern(unsigned a)
{
    return std::uint16_t(a * 0x9E37u + 0x79B9u);
}

unsigned writes(const sim::driver& d)
{
    return d.requests(6) + d.requests(16);
}

// The dialogs of one kind ("QMessageBox", "QFileDialog") in the order shown.
std::vector<modal_answerer::shown> shown(const modal_answerer& a, const char* kind)
{
    std::vector<modal_answerer::shown> out;
    for (const auto& d : a.dialogs())
        if (d.kind == QLatin1String(kind))
            out.push_back(d);
    return out;
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

        const QString path = dir_.filePath("6469 map.txt");
        w.boxes.set_file(path);
        w.action("File", "Save map...")->trigger();
        QCOMPARE(shown(w.boxes, "QMessageBox").size(), std::size_t(0));
        auto files = shown(w.boxes, "QFileDialog");
        QCOMPARE(files.size(), std::size_t(1));
        QCOMPARE(files[0].title, QString("Select file to save"));
        QCOMPARE(files[0].filters, QStringList("Scripts (*.txt)"));
        QCOMPARE(QSettings().value("lastscript").toString(), QDir(dir_.path()).absolutePath());

        const QList<QByteArray> lines = file_bytes(path).split('\n');
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
        w.action("File", "Run script...")->trigger();
        QCOMPARE(shown(w.boxes, "QMessageBox").size(), std::size_t(0));
        files = shown(w.boxes, "QFileDialog");
        QCOMPARE(files[1].title, QString("Select script file"));
        QCOMPARE(files[1].filters, QStringList("Scripts (*.sc *.txt)"));
        QCOMPARE(files[1].directory, QDir(dir_.path()).absolutePath());
        QCOMPARE(w.sim.get_registers(0, map_size), values);
        QCOMPARE(w.sim.get_register(0xFFF8), std::uint16_t(5));
        QCOMPARE(writes(w.sim), map_size + 1);
        QVERIFY(log_->has("loading script file:" + QFile::encodeName(path).toStdString()));

        // Cancelled dialogs change nothing.
        QSettings().remove("lastscript");
        w.sim.reset_counts();
        w.boxes.set_file(QString());
        w.action("File", "Save map...")->trigger();
        w.action("File", "Run script...")->trigger();
        QCOMPARE(shown(w.boxes, "QFileDialog").size(), std::size_t(4));
        QVERIFY(!QSettings().contains("lastscript"));
        QCOMPARE(w.sim.requests(), 0u);
        QCOMPARE(shown(w.boxes, "QMessageBox").size(), std::size_t(0));
    }

    // The old map stays whole when the new one can't be written, or not
    // read from the driver.
    void failed_save_keeps_old_file()
    {
        sim_window w;
        QVERIFY(w.connect());
        const QString path = dir_.filePath("kept.txt");
        const QByteArray old = "Profile:6469\n0, 1;\n";
        QVERIFY(test_support::write_file_bytes(path, old));

        // Past the dialog's question whether to replace the file.
        w.boxes.set_file_unchecked(path);
        {
            test_support::file_size_limit limit(1024);
            w.action("File", "Save map...")->trigger();
        }
        auto boxes = shown(w.boxes, "QMessageBox");
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].title, QString("Error when writing file"));
        QCOMPARE(boxes[0].text, QString("Can't write memory map file '%1':\n%2")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(EFBIG))));
        QCOMPARE(file_bytes(path), old);
        QCOMPARE(QDir(dir_.path()).entryList(QStringList("kept*")), QStringList("kept.txt"));
        QVERIFY(log_->has(std::string("error when writing memory map:") + std::strerror(EFBIG)));

        w.sim.exception_range(100, 10, 4);
        w.action("File", "Save map...")->trigger();
        boxes = shown(w.boxes, "QMessageBox");
        QCOMPARE(boxes.size(), std::size_t(2));
        QCOMPARE(boxes[1].title, QString("Error when reading from device"));
        QVERIFY2(boxes[1].text.startsWith("Can't read device memory '0-133':\n"), qPrintable(boxes[1].text));
        QCOMPARE(file_bytes(path), old);
        QVERIFY(w.connected());
    }

    void unreadable_or_bad_scripts_write_nothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing.sc" << QByteArray()
                                 << "The file can't be read: No such file or directory";
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
            QVERIFY(test_support::write_file_bytes(path, content));

        sim_window w;
        QVERIFY(w.connect());
        w.sim.reset_counts();
        // A file can go, or a folder be typed, after the dialog looked.
        w.boxes.set_file_unchecked(path);
        w.action("File", "Run script...")->trigger();
        QCOMPARE(writes(w.sim), 0u);
        const auto boxes = shown(w.boxes, "QMessageBox");
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].title, QString("Ivalid script file"));
        const QString head = QString("Can't read script file '%1':\n").arg(path);
        QVERIFY2(boxes[0].text.startsWith(head) && boxes[0].text.size() > head.size(), qPrintable(boxes[0].text));
        if (!reason.isEmpty())
            QCOMPARE(boxes[0].text, head + reason);
        QVERIFY(log_->has("running script failed:" + boxes[0].text.mid(head.size()).toLocal8Bit().toStdString()));
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
        const QString path = dir_.filePath("never.txt");
        w.boxes.set_file(path);

        // No read runs until the map's first request; the tick fails
        // between it and the second.
        test_support::failing_tick tick(w);
        tick.arm();
        log_->clear();
        w.action("File", "Save map...")->trigger();
        tick.disarm();

        QVERIFY(!w.connected());
        QVERIFY(gone.expired());
        QVERIFY(!QFile::exists(path));
        const auto boxes = shown(w.boxes, "QMessageBox");
        QCOMPARE(boxes.size(), std::size_t(2));
        QCOMPARE(boxes[0].title, QString("Device error"));
        QCOMPARE(boxes[1].title, QString("Error when reading from device"));
        QCOMPARE(boxes[1].text, QString("Can't read device memory '0-133':\ndevice disconnected"));
        const int off = log_->index_of("device disconnected");
        QVERIFY(off >= 0);
        QVERIFY(log_->index_of("device destroyed", off) > off);
    }
};

VELMORA_TEST_MAIN(tst_main_window_files)
#include "tst_main_window_files.moc"
