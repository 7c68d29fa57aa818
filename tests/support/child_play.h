#pragma once
// A test executable that stands in for the GUI process. The supervisor
// starts the running executable again with "--single"; a test executable
// built with VELMORA_TEST_MAIN_WITH_CHILD then runs no tests but plays the
// steps that the test wrote into the environment variable
// VELMORA_TEST_CHILD, which the child inherits.

#include "test_main.h"

#include <QByteArray>
#include <QByteArrayList>

#include <vector>

namespace test_support {

class child_script {
public:
    // Writes the bytes in one write call to standard output / standard error.
    child_script& out(const QByteArray& bytes) { return step("out", bytes.toHex()); }
    child_script& err(const QByteArray& bytes) { return step("err", bytes.toHex()); }
    // Writes "args:" + the arguments (without the program) joined by '|' +
    // " wrapped:" + "yes" or "no" (whether WRAPPED is set) + "\n" to
    // standard output.
    child_script& report() { return step("report"); }
    // Installs the crash handler / ignores SIGPIPE, as the program does.
    child_script& handler() { return step("handler"); }
    child_script& nopipe() { return step("nopipe"); }
    // Makes standard output a pipe whose reader is gone and logs a line.
    child_script& brokenpipe() { return step("brokenpipe"); }
    // Faults: "segv" (null pointer write), "overflow" (endless recursion),
    // "fpe" (integer division by zero), or raises the signal given.
    child_script& fault(const char* kind) { return step(kind); }
    child_script& raise(int sig) { return step("raise", QByteArray::number(sig)); }
    // Ends with this code; after the last step the child ends with 0.
    child_script& exit(int code) { return step("exit", QByteArray::number(code)); }

    // Hands the script to every child started from now on.
    void set() const;

private:
    child_script& step(const char* verb, const QByteArray& arg = QByteArray());
    QByteArrayList steps_;
};

// The two arguments the test's application object gets beyond its command
// line, so that a supervisor built on it has arguments to pass on.
extern const char* const extra_args[2];

// Whether the build is sanitized: the program installs no crash handler then.
bool sanitized_build();

bool is_child(int argc, char** argv);
int play_child(int argc, char** argv);
std::vector<char*> with_extra_args(int argc, char** argv);

} // namespace test_support

#define VELMORA_TEST_MAIN_WITH_CHILD(TestObject)                                  \
    int main(int argc, char* argv[])                                              \
    {                                                                             \
        if (test_support::is_child(argc, argv))                                   \
            return test_support::play_child(argc, argv);                          \
        test_support::isolate_settings(#TestObject);                              \
        std::vector<char*> app_argv = test_support::with_extra_args(argc, argv);  \
        int app_argc = static_cast<int>(app_argv.size()) - 1;                     \
        QApplication app(app_argc, app_argv.data());                              \
        TestObject tc;                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                \
        return QTest::qExec(&tc, argc, argv);                                     \
    }
