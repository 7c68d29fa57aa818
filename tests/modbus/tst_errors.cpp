#include "test_main.h"

#include "modbus/errors.h"

#include <QTranslator>

namespace {

const int base = 112345678;

// Translates every text of the context QObject.
class shouting_translator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        return QByteArray(context) == "QObject" ? QString::fromLatin1(source).toUpper() : QString();
    }
};

} // namespace

class tst_errors : public QObject {
    Q_OBJECT
private slots:
    void tables()
    {
        QCOMPARE(modbus::protocol_exception::busy, 112345684);
        QCOMPARE(modbus::protocol_error_text(modbus::protocol_exception::busy), QString("Slave device or server is busy"));
        QCOMPARE(modbus::protocol_error_text(base + 1), QString("Illegal function"));
        QCOMPARE(modbus::protocol_error_text(base + 8), QString("Memory parity error"));
        QCOMPARE(modbus::connection_error_text(base + 12), QString("Invalid CRC"));
        QCOMPARE(modbus::connection_error_text(base + 16), QString("Too many data"));
        // The gateway answers are link failures, retried like one.
        for (int n : {10, 11}) {
            QVERIFY(modbus::protocol_error_text(base + n).isNull());
            QVERIFY(!modbus::connection_error_text(base + n).isNull());
        }
        int protocol = 0, link = 0;
        for (int n = -2; n <= 20; ++n) {
            const bool p = !modbus::protocol_error_text(base + n).isNull();
            const bool c = !modbus::connection_error_text(base + n).isNull();
            QVERIFY(!(p && c));
            protocol += p;
            link += c;
            if (n == 9 || n == 15 || n <= 0 || n > 16)
                QVERIFY2(!p && !c, qPrintable(QString::number(n)));
        }
        QCOMPARE(protocol, 8);
        QCOMPARE(link, 6);
        QVERIFY(modbus::protocol_error_text(110).isNull()); // a system error number
    }

    void exceptions()
    {
        try {
            throw modbus::protocol_exception("Illegal data address", base + 2);
        } catch (const std::runtime_error& e) {
            QCOMPARE(std::string(e.what()), std::string("Illegal data address"));
            QCOMPARE(dynamic_cast<const modbus::protocol_exception&>(e).code, base + 2);
            QVERIFY(!dynamic_cast<const modbus::connection_exception*>(&e));
        }
        const modbus::connection_exception c("Invalid CRC", base + 12);
        const modbus::connection_exception copy = c;
        QCOMPARE(copy.code, base + 12);
        QCOMPARE(std::string(copy.what()), std::string("Invalid CRC"));
    }

    void tables_stay_english()
    {
        shouting_translator t;
        QVERIFY(QCoreApplication::installTranslator(&t));
        QCOMPARE(QObject::tr("Invalid CRC"), QString("INVALID CRC"));
        QCOMPARE(modbus::connection_error_text(base + 12), QString("Invalid CRC"));
        QCOMPARE(modbus::protocol_error_text(base + 6), QString("Slave device or server is busy"));
        QCoreApplication::removeTranslator(&t);
    }
};

VELMORA_TEST_MAIN(tst_errors)
#include "tst_errors.moc"
