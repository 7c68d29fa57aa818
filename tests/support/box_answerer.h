#pragma once
// Answers modal message boxes from a timer, so that GUI tests never block:
// every QMessageBox that becomes the active modal widget is recorded (in the
// order seen) and closed with the chosen button.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <vector>

namespace test_support {

class box_answerer : public QObject {
    Q_OBJECT
public:
    struct box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    // Starts watching at once, every `interval_ms`.
    explicit box_answerer(QMessageBox::StandardButton answer = QMessageBox::Ok, int interval_ms = 10,
                          QObject* parent = nullptr);
    ~box_answerer() override;

    // The button that closes boxes; one the box lacks closes it through
    // its escape button, or rejects it.
    void set_answer(QMessageBox::StandardButton answer) { answer_ = answer; }
    // While held, boxes are recorded but left open.
    void set_hold(bool hold) { hold_ = hold; }

    const std::vector<box>& boxes() const { return boxes_; }
    int count() const { return static_cast<int>(boxes_.size()); }
    void clear() { boxes_.clear(); }

    // Runs the event loop until `n` boxes were seen in all; false on
    // time-out.
    bool wait_for(int n, int timeout_ms = 5000);

private slots:
    void poll();

private:
    QTimer timer_;
    QMessageBox::StandardButton answer_;
    bool hold_ = false;
    std::vector<box> boxes_;
    std::vector<QPointer<QMessageBox>> recorded_;
};

} // namespace test_support
