#include "gui/text_control.h"

#include <QKeyEvent>

text_control::text_control(const profiles::item& item, std::shared_ptr<device> dev)
    : QLineEdit(nullptr), controller(item, std::move(dev), true), editing_(false)
{
}

void text_control::text_changed(QString text)
{
    current_ = text;
    if (!editing_) {
        paint_editing(*this);
        editing_ = true;
    }
}

void text_control::show_text(const QString& text)
{
    setText(text);
    current_ = last_ = this->text();
}

void text_control::write_edit(const std::function<std::vector<unsigned short>(const QString&)>& encode)
{
    try {
        set_data_impl(encode(current_));
        last_ = current_;
    } catch (...) {
        current_ = last_;
        setText(last_);
        set_error_later();
    }
    setPalette(normal_palette_);
    editing_ = false;
}

void text_control::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        current_ = last_;
        setText(last_);
        editing_ = false;
        setPalette(normal_palette_);
    }
    QLineEdit::keyPressEvent(event);
}
