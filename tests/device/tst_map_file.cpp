#include "device/map_file.h"

#include "dorvane/profile.h"
#include "file_bytes.h"
#include "file_size_limit.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

namespace {

// A dump of `count` registers from 0, every value its address times 7.
script dump_of(unsigned count)
{
    script s;
    s.profile = 6469;
    for (unsigned a = 0; a < count; ++a) {
        script::item i;
        i.kind = script::item::command_kind;
        std::get<1>(i.content) = {script::u16(a), script::u16(a * 7), "register " + std::to_string(a)};
        s.items.push_back(i);
    }
    return s;
}

profiles::mmap_template template_of(unsigned count)
{
    profiles::mmap_template t;
    t.header = "\n// Memory map file\n";
    t.footer = "//\n0xFFF8, 5; // Save current parameters to EEPROM\n// End of file\n";
    t.from = 0;
    t.until = script::u16(count);
    return t;
}

} // namespace

class tst_map_file : public QObject {
    Q_OBJECT
private slots:
    void failed_write_keeps_old_file();
};

void tst_map_file::failed_write_keeps_old_file()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("map.txt"));
    const QByteArray old = "Profile:6469\n0, 1;\n1, 2;\n2, 3;\n";
    QVERIFY(test_support::write_file_bytes(path, old));

    std::string reason;
    {
        // The map of 133 registers is some 3 kB.
        test_support::file_size_limit limit(1024);
        reason = test_support::error_of([&] { save_map_file(path, dump_of(133), template_of(133)); });
    }
    QCOMPARE(reason, std::string(std::strerror(EFBIG)));
    QCOMPARE(test_support::file_bytes(path), old);
    // No half-written file is left beside it either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("map.txt")});

    // A folder that isn't there.
    reason = test_support::error_of([&] { save_map_file(dir.filePath("none/map.txt"), dump_of(2), template_of(2)); });
    QVERIFY2(reason != "no exception", reason.c_str());
}

VELMORA_TEST_MAIN(tst_map_file)
#include "tst_map_file.moc"
