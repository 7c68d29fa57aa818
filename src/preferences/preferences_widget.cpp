#include "preferences/preferences_widget.h"

const QString preferences_widget::object_name = QStringLiteral("preferences_widget");

struct preferences_widget::Pimpl {
    QString name;
    QString header;
    QIcon icon;
};

preferences_widget::preferences_widget(QWidget* parent, const QString& name, Qt::WindowFlags flags)
    : QWidget(parent, flags), pimpl_(std::make_shared<Pimpl>())
{
    setObjectName(object_name);
    pimpl_->name = name;
}

preferences_widget::~preferences_widget() = default;

const QString& preferences_widget::name() const { return pimpl_->name; }
const QString& preferences_widget::header() const { return pimpl_->header; }
const QIcon& preferences_widget::icon() const { return pimpl_->icon; }

void preferences_widget::set_name(const QString& name) { pimpl_->name = name; }
void preferences_widget::set_header(const QString& header) { pimpl_->header = header; }
void preferences_widget::set_icon(const QIcon& icon) { pimpl_->icon = icon; }

void preferences_widget::update_preferences() {}
void preferences_widget::accept() {}
void preferences_widget::reject() {}
void preferences_widget::reset_defaults() {}

void preferences_widget::setEnabled(bool b)
{
    emit enabled(b);
    QWidget::setEnabled(b);
}
