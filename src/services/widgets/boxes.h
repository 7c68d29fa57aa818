#pragma once
// The blocking error box, and whether one is open (the update tick skips
// while it is).

#include <QMessageBox>
#include <QString>

class QWidget;

// Shows a modal critical box (whatever `icon` says) and returns when it is
// closed.
void invoke_msg(QWidget* parent, QMessageBox::Icon icon, QString const& title, QString const& text,
                QMessageBox::StandardButtons buttons);

// Whether a box of invoke_msg is open.
bool is_blocked();
