#pragma once
// Answers modal file dialogs from a timer, as box_answerer does message
// boxes: each QFileDialog that becomes the active modal widget is recorded
// and accepted with the next queued path, or cancelled when none is queued
// (or the queued path is empty).

#include <QFileDialog>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace test_support {

class file_dialog_answerer : public QObject {
    Q_OBJECT
public:
    struct dialog {
        QString title;
        QString directory;
        QStringList filters;
        QFileDialog::AcceptMode mode;
    };

    explicit file_dialog_answerer(int interval_ms = 10, QObject* parent = nullptr);
    ~file_dialog_answerer() override;

    // The answer to the next dialog; an empty path cancels it.
    void answer(const QString& path) { answers_.push_back(path); }
    // Runs while the dialog is still open, just before it is answered.
    void set_before_answer(std::function<void()> f) { before_answer_ = std::move(f); }

    const std::vector<dialog>& dialogs() const { return dialogs_; }

private slots:
    void poll();

private:
    QTimer timer_;
    std::deque<QString> answers_;
    std::function<void()> before_answer_;
    std::vector<dialog> dialogs_;
};

} // namespace test_support
