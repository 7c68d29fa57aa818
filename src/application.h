#pragma once
// The application object: the last catch of whatever an event handler
// throws. Also the start-up's helpers that the program's main() calls.

#include <QApplication>
#include <QPointer>

#include <cstddef>
#include <exception>

class main_window;

// The GUI process's main window; null before it is built, in the
// supervisor, and once the window is gone.
extern QPointer<main_window> wnd;

// No Q_OBJECT: the texts keep the context "QApplication".
class application : public QApplication {
public:
    application(int& argc, char** argv);
    ~application() override;

    bool notify(QObject* receiver, QEvent* event) override;
};

// What the application object does with an exception that reached it:
// a busy driver gets a warning and stays connected (true, handled); anything
// else is logged, the window's device is freed and an "Error" box shows
// (false). Our own slots call it too, so that nothing unwinds through Qt.
bool report_escaped(std::exception_ptr error, main_window* window);

// Runs `f` and hands whatever it throws to report_escaped; a window that
// `f` saw deleted is not handed on.
template <typename F>
void guarded(main_window* window, F&& f)
{
    const QPointer<main_window> alive(window);
    try {
        f();
    } catch (...) {
        report_escaped(std::current_exception(), alive.data());
    }
}

// The same where there is no window (the supervisor).
template <typename F>
void guarded(std::nullptr_t, F&& f)
{
    try {
        f();
    } catch (...) {
        report_escaped(std::current_exception(), nullptr);
    }
}

// Names, icon search path, window icon and translations of the GUI process.
void init_application(QApplication* app);
