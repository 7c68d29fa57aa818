#include "main_window.h"
#include "ui_main_window.h"

#include "application.h"
#include "clear_layout.h"

#include "device/device.h"
#include "gui/factory.h"
#include "services/tools.h"

#include "dorvane/profile.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <memory>

namespace {

QLayout* panel_layout(QWidget* frame)
{
    if (!frame->layout())
        new QVBoxLayout(frame);
    return frame->layout();
}

// A panel's layout holds one widget at a time; a grid would append a row
// for each one added without a cell.
void place(QWidget* frame, QWidget* content)
{
    QLayout* layout = panel_layout(frame);
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        grid->addWidget(content, 0, 0);
    else
        layout->addWidget(content);
}

} // namespace

void clear_layout(QLayout* layout)
{
    if (!layout)
        return;
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void main_window::init_static_panel()
{
    std::shared_ptr<device> dev = device_;
    const QPointer<main_window> self(this);
    clear_layout(panel_layout(ui_->static_panel));
    std::unique_ptr<QWidget> panel(new QWidget);
    create_panel(panel.get(), dev->profile().static_map, dev);
    // Its boxes run event loops of their own.
    if (let_go(self, dev))
        return;
    panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    place(ui_->static_panel, panel.release());
}

void main_window::init_control_panel()
{
    std::shared_ptr<device> dev = device_;
    const QPointer<main_window> self(this);
    clear_layout(panel_layout(ui_->control_panel));
    std::unique_ptr<QWidget> buttons(new QWidget);
    auto* group = new QButtonGroup(buttons.get());
    group->setExclusive(true);
    QVBoxLayout* layout = nullptr;
    bool first = true;
    for (const auto& page : dev->profile().pages) {
        auto* button = new QPushButton(QString::fromLatin1(page.first.c_str()));
        button->setCheckable(true);
        button->setChecked(first);
        group->addButton(button);
        const std::vector<profiles::item>* items = &page.second;
        tools::connect(button, SIGNAL(clicked(bool)),
                       [this, button, items] { guarded(this, [&] { show_page(button, *items); }); });
        if (!layout)
            layout = new QVBoxLayout(buttons.get());
        layout->addWidget(button);
        if (first) {
            button->click();
            if (let_go(self, dev))
                return;
        }
        first = false;
    }
    if (!layout)
        layout = new QVBoxLayout(buttons.get());
    layout->addStretch(0);
    place(ui_->control_panel, buttons.release());
}

void main_window::show_page(QPushButton* button, const std::vector<profiles::item>& items)
{
    if (current_button == button)
        return;
    // Keeps the device, and with it `items` (a page of its profile), alive
    // through the boxes the panel may show.
    std::shared_ptr<device> dev = device_;
    if (!dev)
        return;
    const QPointer<main_window> self(this);
    current_button = button;
    clear_layout(panel_layout(ui_->page_panel));
    QPointer<QScrollArea> scroll = new QScrollArea;
    scroll->setFrameStyle(0);
    place(ui_->page_panel, scroll);

    std::unique_ptr<QWidget> page(new QWidget);
    create_panel(page.get(), items, dev);
    if (let_go(self, dev) || !scroll)
        return;
    page->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    scroll->setWidgetResizable(true);
    scroll->setWidget(page.release());
    scroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    try {
        dev->update_profile(true);
    } catch (const std::exception& e) {
        qWarning("%s", QString::fromLocal8Bit(e.what()).toLocal8Bit().constData());
    }
}
