#pragma once
// Answers modal dialogs from a timer, so that GUI tests never block: every
// dialog that becomes the active modal widget is recorded (in the order
// seen) and answered: a message box with the chosen button, a file dialog
// with the chosen file name, a colour dialog with the chosen colour, any
// other dialog by the handler or else rejected.

#include <QColor>
#include <QDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

namespace test_support {

class modal_answerer : public QObject {
    Q_OBJECT
public:
    // One dialog as it was when first seen.
    struct shown {
        // The dialog's class: "QMessageBox", "QFileDialog", "QColorDialog"...
        QString kind;
        QString title;
        // Message boxes: the text, icon and buttons.
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        // File dialogs: the directory shown and the name filters.
        QString directory;
        QStringList filters;
    };
    typedef shown box;

    // Starts watching at once, every `interval_ms`.
    explicit modal_answerer(QMessageBox::StandardButton answer = QMessageBox::Ok, int interval_ms = 10,
                            QObject* parent = nullptr);
    ~modal_answerer() override;

    // The button that closes message boxes; one the box lacks closes it
    // through its escape button, or rejects it.
    void set_answer(QMessageBox::StandardButton answer) { answer_ = answer; }
    // Written into a file dialog's file name edit before it is accepted;
    // empty (the default): file dialogs are cancelled.
    void set_file(const QString& name)
    {
        file_ = name;
        file_unchecked_ = false;
    }
    // The same, accepted past the dialog's own checks of the name: a file
    // that is gone, a folder or one about to be replaced by the time the
    // program gets it.
    void set_file_unchecked(const QString& name)
    {
        file_ = name;
        file_unchecked_ = true;
    }
    // Chosen in a colour dialog, which is accepted; invalid (the default):
    // colour dialogs are cancelled.
    void set_color(const QColor& color) { color_ = color; }
    // Answers any dialog the kinds above don't cover (return true), before
    // the default of rejecting it.
    void set_handler(std::function<bool(QDialog*)> handler) { handler_ = std::move(handler); }
    // While held, dialogs are recorded but left open.
    void set_hold(bool hold) { hold_ = hold; }

    const std::vector<shown>& dialogs() const { return shown_; }
    const std::vector<shown>& boxes() const { return shown_; }
    int count() const { return static_cast<int>(shown_.size()); }
    void clear() { shown_.clear(); }

    // Runs the event loop until `n` dialogs were seen in all; false on
    // time-out.
    bool wait_for(int n, int timeout_ms = 5000);

private slots:
    void poll();

private:
    void answer(QDialog* dialog);

    QTimer timer_;
    QMessageBox::StandardButton answer_;
    QString file_;
    bool file_unchecked_ = false;
    QColor color_;
    std::function<bool(QDialog*)> handler_;
    bool hold_ = false;
    std::vector<shown> shown_;
    std::vector<QPointer<QDialog>> recorded_;
    // Dialogs whose answer is due or running.
    std::vector<QPointer<QDialog>> answering_;
    // Answered but still open (a file dialog that refused its name): the
    // next look cancels them, so that nothing waits for good.
    std::vector<QPointer<QDialog>> refused_;
};

} // namespace test_support
