#pragma once
// The base class of every preferences page.
//
// A page shows its settings, reports an edit with changed() and does what
// the dialog asks through the four slots: update_preferences() when it
// becomes the current page, accept() on Apply and Ok, reject() on Cancel
// and when its edits are discarded, reset_defaults() on Restore Defaults.
// Name, header and icon are read by the dialog when the page is added or
// shown, so a page sets them in its own constructor.

#include <QIcon>
#include <QString>
#include <QWidget>

#include <memory>

class preferences_widget : public QWidget {
    Q_OBJECT
public:
    // Every page bears this Qt object name.
    static const QString object_name;

    explicit preferences_widget(QWidget* parent = nullptr, const QString& name = QString(),
                                Qt::WindowFlags flags = Qt::WindowFlags());
    ~preferences_widget() override;

    const QString& name() const;
    const QString& header() const;
    const QIcon& icon() const;

    void set_name(const QString& name);
    void set_header(const QString& header);
    void set_icon(const QIcon& icon);

signals:
    void changed();
    void enabled(bool b);

public slots:
    virtual void update_preferences();
    virtual void accept();
    virtual void reject();
    virtual void reset_defaults();

    // Hides QWidget::setEnabled so that a page announces the change first.
    // Reached through a preferences_widget pointer or a connection made by
    // signature (SLOT(setEnabled(bool))); a plain QWidget pointer bypasses it.
    void setEnabled(bool b);

private:
    struct Pimpl;
    std::shared_ptr<Pimpl> pimpl_;
};
