#include "services/widgets/boxes.h"

namespace {

// Boxes of invoke_msg that are open, nested ones included.
int counter = 0;

struct box_count_guard {
    box_count_guard() { ++counter; }
    ~box_count_guard() { --counter; }
    box_count_guard(const box_count_guard&) = delete;
    box_count_guard& operator=(const box_count_guard&) = delete;
};

} // namespace

void invoke_msg(QWidget* parent, QMessageBox::Icon, QString const& title, QString const& text,
                QMessageBox::StandardButtons buttons)
{
    box_count_guard open_box;
    QMessageBox::critical(parent, title, text, buttons, QMessageBox::NoButton);
}

bool is_blocked()
{
    return counter != 0;
}
