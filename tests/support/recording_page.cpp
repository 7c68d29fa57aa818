#include "recording_page.h"

namespace test_support {

recording_page::recording_page(const QString& name, QStringList* journal, QSize hint)
    : preferences_widget(nullptr, name), journal_(journal), hint_(hint)
{
}

void recording_page::record(const QString& call)
{
    if (journal_)
        journal_->append(name() + ':' + call);
    if (hook)
        hook(call);
}

void recording_page::update_preferences() { record(QStringLiteral("update")); }
void recording_page::accept() { record(QStringLiteral("accept")); }
void recording_page::reject() { record(QStringLiteral("reject")); }
void recording_page::reset_defaults() { record(QStringLiteral("reset")); }

} // namespace test_support
