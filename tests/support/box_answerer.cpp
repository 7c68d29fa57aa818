#include "box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace test_support {

box_answerer::box_answerer(QMessageBox::StandardButton answer, int interval_ms, QObject* parent)
    : QObject(parent), answer_(answer)
{
    connect(&timer_, &QTimer::timeout, this, &box_answerer::poll);
    timer_.start(interval_ms);
}

box_answerer::~box_answerer() = default;

bool box_answerer::wait_for(int n, int timeout_ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (count() < n) {
        if (elapsed.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(2);
    }
    return true;
}

void box_answerer::poll()
{
    auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!mb)
        return;

    recorded_.erase(std::remove_if(recorded_.begin(), recorded_.end(),
                                   [](const QPointer<QMessageBox>& p) { return p.isNull(); }),
                    recorded_.end());
    if (std::find(recorded_.begin(), recorded_.end(), mb) == recorded_.end()) {
        recorded_.push_back(mb);
        boxes_.push_back({mb->windowTitle(), mb->text(), mb->icon(), mb->standardButtons()});
    }
    if (hold_)
        return;

    if (QAbstractButton* b = mb->button(answer_))
        b->click();
    else if (QAbstractButton* esc = mb->escapeButton())
        esc->click();
    else
        mb->reject();
}

} // namespace test_support
