#include "modal_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QThread>

#include <algorithm>

namespace test_support {

namespace {

void forget_closed(std::vector<QPointer<QDialog>>& list)
{
    list.erase(std::remove_if(list.begin(), list.end(), [](const QPointer<QDialog>& p) { return p.isNull(); }),
               list.end());
}

bool contains(const std::vector<QPointer<QDialog>>& list, QDialog* d)
{
    return std::find(list.begin(), list.end(), d) != list.end();
}

} // namespace

modal_answerer::modal_answerer(QMessageBox::StandardButton answer, int interval_ms, QObject* parent)
    : QObject(parent), answer_(answer)
{
    connect(&timer_, &QTimer::timeout, this, &modal_answerer::poll);
    timer_.start(interval_ms);
}

modal_answerer::~modal_answerer() = default;

bool modal_answerer::wait_for(int n, int timeout_ms)
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

void modal_answerer::poll()
{
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog)
        return;

    forget_closed(recorded_);
    forget_closed(answering_);
    forget_closed(refused_);
    if (!contains(recorded_, dialog)) {
        recorded_.push_back(dialog);
        shown s;
        s.kind = QString::fromLatin1(dialog->metaObject()->className());
        s.title = dialog->windowTitle();
        if (auto* mb = qobject_cast<QMessageBox*>(dialog)) {
            s.text = mb->text();
            s.icon = mb->icon();
            s.buttons = mb->standardButtons();
        } else if (auto* fd = qobject_cast<QFileDialog*>(dialog)) {
            s.directory = fd->directory().absolutePath();
            s.filters = fd->nameFilters();
        }
        shown_.push_back(s);
    }
    if (hold_)
        return;
    if (contains(refused_, dialog)) {
        dialog->reject();
        return;
    }
    if (contains(answering_, dialog))
        return;
    // Answered outside this timer's event: a timer doesn't fire while its
    // own event is handled, and an answer may open a dialog of its own (a
    // file dialog's warning) that must be answered too.
    answering_.push_back(dialog);
    QPointer<QDialog> guard(dialog);
    QTimer::singleShot(0, this, [this, guard] {
        if (!guard)
            return;
        answer(guard);
        forget_closed(answering_);
        if (!guard)
            return;
        answering_.erase(std::find(answering_.begin(), answering_.end(), guard));
        if (guard->isVisible())
            refused_.push_back(guard);
    });
}

void modal_answerer::answer(QDialog* dialog)
{
    if (auto* mb = qobject_cast<QMessageBox*>(dialog)) {
        if (QAbstractButton* b = mb->button(answer_))
            b->click();
        else if (QAbstractButton* esc = mb->escapeButton())
            esc->click();
        else
            mb->reject();
        return;
    }
    if (auto* fd = qobject_cast<QFileDialog*>(dialog)) {
        auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (file_.isEmpty() || !edit) {
            fd->reject();
            return;
        }
        edit->setText(file_);
        // QFileDialog's own accept (protected there) checks the name;
        // done() takes it as typed.
        if (file_unchecked_)
            dialog->done(QDialog::Accepted);
        else
            dialog->accept();
        return;
    }
    if (auto* cd = qobject_cast<QColorDialog*>(dialog)) {
        if (!color_.isValid()) {
            cd->reject();
            return;
        }
        cd->setCurrentColor(color_);
        cd->accept();
        return;
    }
    if (handler_ && handler_(dialog))
        return;
    dialog->reject();
}

} // namespace test_support
