#include "test_main.h"

#include "dorvane/converter.h"
#include "modbus/errors.h"
#include "recording_output.h"

#include <cmath>
#include <limits>

using modbus::converter;
typedef std::vector<unsigned short> regs;

class tst_converter : public QObject {
    Q_OBJECT
private slots:
    void worked_examples_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("exponent");
        QTest::addColumn<int>("places");
        QTest::addColumn<int>("mantissa");
        QTest::addColumn<int>("r0");
        QTest::addColumn<int>("r1");
        QTest::newRow("1.23456") << 1.23456f << 0 << 5 << 123456 << 0x0001 << 0xE240;
        QTest::newRow("-123.456") << -123.456f << 2 << 5 << 123456 << 0x8101 << 0xE240;
        QTest::newRow("-0.00123456") << -0.00123456f << -3 << 5 << 123456 << 0xFE81 << 0xE240;
        QTest::newRow("123456") << 123456.f << 5 << 5 << 123456 << 0x0281 << 0xE240;
        QTest::newRow("2.5") << 2.5f << 0 << 1 << 25 << 0x0000 << 0x0019;
        QTest::newRow("100") << 100.f << 2 << 0 << 1 << 0x0100 << 0x0001;
        // Leading digits above 3.16 once packed as a mantissa ten times too big.
        QTest::newRow("5.5") << 5.5f << 0 << 1 << 55 << 0x0000 << 0x0037;
        QTest::newRow("0.32") << 0.32f << -1 << 1 << 32 << 0x7F80 << 0x0020;
        QTest::newRow("-9.75e-3") << -9.75e-3f << -3 << 2 << 975 << 0xFE80 << 0x03CF;
    }

    void worked_examples()
    {
        QFETCH(float, value);
        QFETCH(int, exponent);
        QFETCH(int, places);
        QFETCH(int, mantissa);
        QFETCH(int, r0);
        QFETCH(int, r1);
        int d = -1;
        const modbus::detail::float_repr r = modbus::detail::to_repr(value, &d);
        QCOMPARE(r.exponent, exponent);
        QCOMPARE(d, places);
        QCOMPARE(r.mantissa, mantissa);
        QCOMPARE(r.negative, value < 0);
        const regs packed = converter<float>::to_modbus(value);
        QCOMPARE(packed, regs({static_cast<unsigned short>(r0), static_cast<unsigned short>(r1)}));
        QCOMPARE(converter<float>::from_modbus(packed), value);
    }

    void zero_and_extremes()
    {
        QCOMPARE(converter<float>::to_modbus(0.f), regs({0, 0}));
        QCOMPARE(converter<float>::to_modbus(-0.f), regs({0, 0}));
        QCOMPARE(converter<float>::from_modbus(regs({0, 0})), 0.f);
        // More digits than 23 bits hold: rounded, never garbage.
        for (float v : {9.876543f, 0.1f, 0.7f, 3.3333333f, 9.9999999f, 1e30f, -2.5e-38f,
                        std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min()}) {
            const modbus::detail::float_repr r = modbus::detail::to_repr(v);
            QVERIFY2(r.mantissa >= 0 && r.mantissa <= 0x7FFFFF, qPrintable(QString::number(v)));
            const float back = converter<float>::from_modbus(converter<float>::to_modbus(v));
            QVERIFY2(std::fabs(back - v) <= std::fabs(v) * 1e-6f, qPrintable(QString::number(v) + " " + QString::number(back)));
        }
        QCOMPARE(modbus::detail::num(0.32f), modbus::detail::max_places);
        QCOMPARE(modbus::detail::num(std::numeric_limits<float>::infinity()), modbus::detail::max_places);
        QCOMPARE(modbus::detail::num(3.2f), 1);
        QCOMPARE(modbus::detail::num(7.f), 0);
    }

    void refused_values()
    {
        for (float v : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()})
            QVERIFY_EXCEPTION_THROWN(converter<float>::to_modbus(v), std::runtime_error);
        QVERIFY_EXCEPTION_THROWN(converter<float>::from_modbus(regs({1})), std::runtime_error);
    }

    void text_in_registers()
    {
        const regs english = {0x6E65, 0x6C67, 0x7369, 0x2068, 0x6574, 0x7478};
        QCOMPARE(converter<std::string>::to_modbus("english text"), english);
        QCOMPARE(converter<std::string>::from_modbus(english), std::string("english text"));

        const regs russian = converter<std::string>::to_modbus("русский текст");
        QCOMPARE(russian.size(), std::size_t(13));
        QCOMPARE(russian.back(), static_cast<unsigned short>(0x0082));
        QCOMPARE(converter<std::string>::from_modbus(russian), std::string("русский текст"));

        const std::vector<char> odd = {'a', 'b', 'c'};
        QCOMPARE(converter<std::vector<char>>::to_modbus(odd), regs({0x6261, 0x0063}));
        QCOMPARE(converter<std::vector<char>>::from_modbus(regs({0x6261, 0x0063})), odd);
        QVERIFY(converter<std::string>::to_modbus("").empty());
        // Every trailing zero byte goes, not only the padding.
        QCOMPARE(converter<std::string>::from_modbus(converter<std::string>::to_modbus(std::string("ab\0\0\0", 5))),
                 std::string("ab"));
        QCOMPARE(converter<std::string>::from_modbus(regs({0, 0})), std::string());
        // Bytes above 0x7F stay unsigned in the register.
        QCOMPARE(converter<std::string>::to_modbus("\xff\xfe"), regs({0xFEFF}));
    }

    void self_tests()
    {
        auto& rec = test_support::log_recorder();
        QVERIFY(modbus::embedded_float_test());
        QVERIFY(modbus::embedded_string_test());
        const auto texts = rec.texts("modbus");
        QCOMPARE(texts, std::vector<std::string>({"starting embedded_float_test...", "embedded_float_test finished",
                                                  "starting embedded_string_test...", "embedded_string_test finished"}));
        for (const auto& e : rec.entries)
            if (e.msg.module == "modbus")
                QCOMPARE(e.msg.level, cl::syslog::dbg);
    }
};

VELMORA_TEST_MAIN(tst_converter)
#include "tst_converter.moc"
