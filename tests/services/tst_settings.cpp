#include "services/settings.h"

#include "test_main.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QSettings* raw_store()
{
    return new QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                         QCoreApplication::applicationName());
}

// Replaces the store's file with `contents`, with a time stamp of its own
// so that Qt's cache of the file notices the change.
void write_store_file(const QByteArray& contents)
{
    QString path;
    {
        std::unique_ptr<QSettings> s(raw_store());
        path = s->fileName();
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contents);
    f.close();
    static int shift = 0;
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600 - ++shift),
                          QFileDevice::FileModificationTime));
}

} // namespace

class tst_settings : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        std::unique_ptr<QSettings> s(raw_store());
        s->clear();
    }

    void store_is_private_ini()
    {
        std::unique_ptr<QSettings> s(raw_store());
        const QString home = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
        QVERIFY(!home.isEmpty());
        QCOMPARE(s->fileName(), home + "/Tarnwick Solvery/velmora.ini");
        settings().set_dev("COM3");
        QVERIFY(QFileInfo::exists(s->fileName()));
    }

    void fresh_store_defaults()
    {
        settings s;
        QVERIFY(s.country().isEmpty());
        QVERIFY(s.dev().isEmpty());
        QCOMPARE(s.updatetime(), 2);
        QCOMPARE(s.busytime(), 10);
        QCOMPARE(s.pid(), QString("88aa"));
        QCOMPARE(s.vid(), QString("10c4"));
        QCOMPARE(s.profile(), (unsigned short)0);
        QVERIFY(s.geometry().isEmpty());
        QVERIFY(s.state().isEmpty());
        const std::vector<QColor> expected{QColor("#00ff00"), QColor("#ff0000"), QColor("#ffff00"), QColor("#0000ff")};
        QCOMPARE(s.colors(), expected);
        QCOMPARE(settings::def_colors, expected);
    }

    void proto_serves_until_profile_is_written()
    {
        {
            std::unique_ptr<QSettings> raw(raw_store());
            raw->setValue("proto", 6758);
        }
        QCOMPARE(settings().profile(), (unsigned short)6758);
        settings().set_profile(0);
        QCOMPARE(settings().profile(), (unsigned short)0);
        settings().set_profile(6469);
        QCOMPARE(settings().profile(), (unsigned short)6469);
        {
            std::unique_ptr<QSettings> raw(raw_store());
            QCOMPARE(raw->value("proto").toInt(), 6758);
            QCOMPARE(raw->value("profile").toInt(), 6469);
        }
    }

    void colour_list_round_trip()
    {
        settings().set_colors({QColor(Qt::blue), QColor(Qt::black)});
        {
            std::unique_ptr<QSettings> raw(raw_store());
            QCOMPARE(raw->value("colors").toStringList(), QStringList({"#0000ff", "#000000"}));
        }
        const std::vector<QColor> two{QColor(Qt::blue), QColor(Qt::black)};
        QCOMPARE(settings().colors(), two);

        settings().set_colors({});
        QCOMPARE(settings().colors(), settings::def_colors);

        {
            std::unique_ptr<QSettings> raw(raw_store());
            raw->setValue("colors", QStringList({"#ff0000", "nonsense", "#00ff00"}));
        }
        const std::vector<QColor> read = settings().colors();
        QCOMPARE(read.size(), size_t(3));
        QCOMPARE(read[0], QColor(Qt::red));
        QVERIFY(!read[1].isValid());
        QCOMPARE(read[2], QColor(Qt::green));
    }

    void write_is_seen_by_next_object()
    {
        const QByteArray geom("\x01\x00\xffgeom", 7);
        {
            settings s;
            s.set_country("ru");
            s.set_dev("/dev/ttyUSB0");
            s.set_geometry(geom);
            s.set_state("state");
            s.set_updatetime(0);
            s.set_busytime(3);
            s.set_pid("EA60");
            s.set_vid("abcd");
        }
        settings s;
        QCOMPARE(s.country(), QString("ru"));
        QCOMPARE(s.dev(), QString("/dev/ttyUSB0"));
        QCOMPARE(s.geometry(), geom);
        QCOMPARE(s.state(), QByteArray("state"));
        QCOMPARE(s.updatetime(), 0);
        QCOMPARE(s.busytime(), 3);
        QCOMPARE(s.pid(), QString("EA60"));
        QCOMPARE(s.vid(), QString("abcd"));

        // The key names are what stored files hold.
        std::unique_ptr<QSettings> raw(raw_store());
        QCOMPARE(raw->value("country_name").toString(), QString("ru"));
        QCOMPARE(raw->value("devstring").toString(), QString("/dev/ttyUSB0"));
        QCOMPARE(raw->value("geomentry").toByteArray(), geom);
        QCOMPARE(raw->value("updatetime").toInt(), 0);
    }

    void wrong_types_read_as_conversions()
    {
        write_store_file("[General]\n"
                         "updatetime=often\n"
                         "busytime=@ByteArray(xyz)\n"
                         "profile=abc\n"
                         "proto=6760\n"
                         "country_name=@Point(1 2)\n"
                         "colors=#0000ff\n"
                         "geomentry=12\n"
                         "pid=1, 2\n");
        settings s;
        QCOMPARE(s.updatetime(), 0);
        QCOMPARE(s.busytime(), 0);
        // A present but unreadable "profile" does not fall back to "proto".
        QCOMPARE(s.profile(), (unsigned short)0);
        QVERIFY(s.country().isEmpty());
        const std::vector<QColor> one{QColor(Qt::blue)};
        QCOMPARE(s.colors(), one);
        QCOMPARE(s.geometry(), QByteArray("12"));
        QVERIFY(s.pid().isEmpty());
        QCOMPARE(s.vid(), QString("10c4"));

        write_store_file("[General]\ncolors=5, #000000\nbusytime=7\n");
        settings t;
        const std::vector<QColor> c = t.colors();
        QCOMPARE(c.size(), size_t(2));
        QVERIFY(!c[0].isValid());
        QCOMPARE(c[1], QColor(Qt::black));
        QCOMPARE(t.busytime(), 7);
        QCOMPARE(t.updatetime(), 2);
    }
};

VELMORA_TEST_MAIN(tst_settings)
#include "tst_settings.moc"
