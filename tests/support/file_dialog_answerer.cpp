#include "file_dialog_answerer.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>

namespace test_support {

file_dialog_answerer::file_dialog_answerer(int interval_ms, QObject* parent)
    : QObject(parent)
{
    connect(&timer_, &QTimer::timeout, this, &file_dialog_answerer::poll);
    timer_.start(interval_ms);
}

file_dialog_answerer::~file_dialog_answerer() = default;

void file_dialog_answerer::poll()
{
    auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!fd || !fd->isVisible())
        return;
    dialogs_.push_back({fd->windowTitle(), fd->directory().absolutePath(), fd->nameFilters(), fd->acceptMode()});

    QString path;
    if (!answers_.empty()) {
        path = answers_.front();
        answers_.pop_front();
    }
    if (before_answer_)
        before_answer_();
    if (path.isEmpty()) {
        fd->reject();
        return;
    }
    // selectFile() leaves the name edit alone while it has the focus.
    const QFileInfo info(path);
    fd->setDirectory(info.absolutePath());
    auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
        fd->reject();
        return;
    }
    name->setText(info.fileName());
    // Past accept()'s checks: an answer may name a file that is missing or
    // about to be replaced, which is what the tests are about.
    static_cast<QDialog*>(fd)->done(QDialog::Accepted);
}

} // namespace test_support
