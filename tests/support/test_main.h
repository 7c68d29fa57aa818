#pragma once
// A Qt Test main that first points the settings store at a private
// directory, so that a test never reads or writes the user's own settings,
// even when run by hand outside CTest.

#include <QtTest>

// The smallest application a test's libraries allow, as QTEST_MAIN picks
// it: a test of a layer without widgets loads no widget library.
#if defined(QT_WIDGETS_LIB)
#include <QApplication>
#define VELMORA_TEST_APPLICATION QApplication
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
#define VELMORA_TEST_APPLICATION QGuiApplication
#else
#include <QCoreApplication>
#define VELMORA_TEST_APPLICATION QCoreApplication
#endif

#include <exception>
#include <string>

namespace test_support {

// The text of the exception `f` throws, or "no exception".
template <class F>
std::string error_of(F f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no exception";
}

// Sets HOME and XDG_CONFIG_HOME to a directory of the test's own and the
// organisation and application names the program uses.
void isolate_settings(const char* test_name);
// Empties the program's settings store (the test's own, see above), so that
// every key reads its default.
void clear_settings();
} // namespace test_support

#define VELMORA_TEST_MAIN(TestObject)                                        \
    int main(int argc, char* argv[])                                         \
    {                                                                        \
        test_support::isolate_settings(#TestObject);                         \
        VELMORA_TEST_APPLICATION app(argc, argv);                                        \
        app.setOrganizationName(QStringLiteral("Tarnwick Solvery"));        \
        app.setApplicationName(QStringLiteral("velmora"));                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                             \
        TestObject tc;                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                           \
        return QTest::qExec(&tc, argc, argv);                                \
    }
