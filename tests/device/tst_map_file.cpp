#include "device/map_file.h"

#include "dorvane/profile.h"
#include "file_bytes.h"
#include "file_size_limit.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

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

QByteArray map_text(unsigned count)
{
    std::ostringstream text;
    script::write_map(text, dump_of(count), template_of(count));
    return QByteArray::fromStdString(text.str());
}

} // namespace

class tst_map_file : public QObject {
    Q_OBJECT
private slots:
    void failed_write_keeps_old_file();
    void save_writes_into_the_chosen_file();
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

void tst_map_file::save_writes_into_the_chosen_file()
{
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return QFile::encodeName(dir.filePath(QLatin1String(name))); };
    // Longer than the map, so that a write in place has to cut it.
    const auto make = [](const QByteArray& p) {
        return test_support::write_file_bytes(QFile::decodeName(p), QByteArray(4000, '#'));
    };
    const auto saved = [](const QByteArray& p) {
        const QString name = QFile::decodeName(p);
        return test_support::error_of([&] { save_map_file(name, dump_of(2), template_of(2)); }) == "no exception"
            && test_support::file_bytes(name) == map_text(2);
    };
    struct stat st;

    // Nobody reads the FIFO: opening it for writing would wait forever.
    QCOMPARE(::mkfifo(path("fifo"), 0644), 0);
    QVERIFY(!saved(path("fifo")));
    QVERIFY(::stat(path("fifo"), &st) == 0 && S_ISFIFO(st.st_mode));

    QVERIFY(make(path("plain")) && ::chmod(path("plain"), 0640) == 0);
    QVERIFY(saved(path("plain")));
    QVERIFY(::stat(path("plain"), &st) == 0 && (st.st_mode & 07777) == 0640);

    QVERIFY(make(path("linked")) && ::link(path("linked"), path("alias")) == 0);
    QVERIFY(saved(path("linked")));
    QCOMPARE(test_support::file_bytes(dir.filePath(QStringLiteral("alias"))), map_text(2));

    // A map we may write in a folder we may not, saved by a user without
    // root's rights.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")) && make(path("locked/map")));
    QCOMPARE(::chmod(path("locked"), 0555), 0);
    if (root)
        QVERIFY(::chmod(path("."), 0711) == 0 && ::chown(path("locked/map"), nobody, nobody) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = !root || (::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0);
        ::_exit(dropped && saved(path("locked/map")) ? 0 : 1);
    }
    int status = -1;
    QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child);
    ::chmod(path("locked"), 0755); // so that the folder can be removed
    QCOMPARE(status, 0);

    if (!root)
        QSKIP("Only root can give a file to another user");
    QVERIFY(make(path("foreign")) && ::chown(path("foreign"), nobody, nobody) == 0);
    QVERIFY(saved(path("foreign")));
    QVERIFY(::stat(path("foreign"), &st) == 0 && st.st_uid == nobody && st.st_gid == nobody);
}

VELMORA_TEST_MAIN(tst_map_file)
#include "tst_map_file.moc"
