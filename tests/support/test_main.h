#pragma once
// A Qt Test main that first points the settings store at a private
// directory, so that a test never reads or writes the user's own settings,
// even when run by hand outside CTest.

#include <QApplication>
#include <QtTest>

namespace test_support {
// Sets HOME and XDG_CONFIG_HOME to a directory of the test's own and the
// organisation and application names the program uses.
void isolate_settings(const char* test_name);
} // namespace test_support

#define VELMORA_TEST_MAIN(TestObject)                                        \
    int main(int argc, char* argv[])                                         \
    {                                                                        \
        test_support::isolate_settings(#TestObject);                         \
        QApplication app(argc, argv);                                        \
        app.setOrganizationName(QStringLiteral("Tarnwick Solvery"));        \
        app.setApplicationName(QStringLiteral("velmora"));                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                             \
        TestObject tc;                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                           \
        return QTest::qExec(&tc, argc, argv);                                \
    }
