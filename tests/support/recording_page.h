#pragma once
// A preferences page that writes every call the dialog makes into a
// journal ("A:update", "A:accept", "A:reject", "A:reset"), reports an edit
// on request, and lets a test step into a call (to throw, or to report a
// change from inside it).

#include "preferences/preferences_widget.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace test_support {

class recording_page : public preferences_widget {
    Q_OBJECT
public:
    // `journal` may be shared by several pages; it must outlive the page.
    recording_page(const QString& name, QStringList* journal, QSize hint = QSize(120, 80));

    // What the user's edit of a control would do.
    void edit() { emit changed(); }

    // Runs inside each call, after its journal line, with the call's name.
    std::function<void(const QString& call)> hook;

    QSize sizeHint() const override { return hint_; }

public slots:
    void update_preferences() override;
    void accept() override;
    void reject() override;
    void reset_defaults() override;

private:
    void record(const QString& call);

    QStringList* journal_;
    QSize hint_;
};

} // namespace test_support
