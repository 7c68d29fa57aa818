// The embedded resources: there before main(), with the sizes the menus and
// boxes expect, reachable as "icons:" once the GUI set-up has run, and the
// About text byte for byte.

#include "test_main.h"

#include "application.h"

#include <QFile>
#include <QImage>

class tst_images : public QObject {
    Q_OBJECT

private slots:
    void icons_prefix_only_after_set_up()
    {
        QVERIFY(!QFile::exists("icons:engine.png"));
        init_application(qApp);
        QVERIFY(QFile::exists("icons:engine.png"));
        QFile a("icons:engine.png"), b(":/icons/images/engine.png");
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QVERIFY(!qApp->windowIcon().isNull());
    }

    void pictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("engine") << "engine.png" << QSize(109, 110);
        QTest::newRow("play") << "play.png" << QSize(32, 32);
        QTest::newRow("down") << "down.png" << QSize(32, 32);
        QTest::newRow("configure") << "configure.png" << QSize(48, 48);
        QTest::newRow("qt-icon") << "qt-icon.png" << QSize(32, 32);
        QTest::newRow("connect") << "connect.png" << QSize(32, 32);
        QTest::newRow("refresh") << "refresh.png" << QSize(32, 32);
        QTest::newRow("device") << "device.png" << QSize(128, 128);
    }

    void pictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QImage img(":/icons/images/" + name, "PNG");
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), size);
    }

    void about_text()
    {
        QFile f(":txt/about.txt");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(QFile(":/txt/about.txt").exists());
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(text.count("\r\n"), 16);
        QCOMPARE(text.count('\n'), 16);
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines[0], QByteArray("Tarnwick Solvery GUI 2.0\r"));
        QCOMPARE(lines[1], QByteArray("Build 6969 (from 2013/09/25)\r"));
        QCOMPARE(lines[9], QByteArray(" - libmodbus (GNU Lesser General Public License version 2.1) \r"));
        QVERIFY(lines[15].startsWith("    The Qwt project ("));
    }
};

VELMORA_TEST_MAIN(tst_images)
#include "tst_images.moc"
