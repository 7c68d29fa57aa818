#pragma once
// The edit cycle the float box and the text field share: the first edit
// marks the field, device values stay out of a running edit, and Escape or
// a failed write put back the last text shown or written.

#include "gui/controller.h"

#include <QLineEdit>
#include <QPalette>
#include <QString>

#include <functional>
#include <vector>

class QKeyEvent;

class text_control : public QLineEdit, public controller {
    Q_OBJECT
public slots:
    void text_changed(QString text);

protected:
    text_control(const profiles::item& item, std::shared_ptr<device> dev);

    void keyPressEvent(QKeyEvent* event) override;

    // A text that is no edit: it becomes the one to return to.
    void show_text(const QString& text);
    // Writes the words `encode` makes of the edited text and ends the edit;
    // any failure puts back the last text and shows "Set error" later.
    void write_edit(const std::function<std::vector<unsigned short>(const QString&)>& encode);

    bool editing_;
    QString current_;
    QString last_;
    QPalette normal_palette_;
};
