#include "main_window.h"
#include "ui_main_window.h"

#include "application.h"

#include "device/device.h"
#include "services/tools.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>

void main_window::init_ui()
{
    QMenu* file = menuBar()->addMenu(tr("File"));
    QAction* run_script = file->addAction(QIcon("icons:play.png"), "Run script...");
    QAction* save_map = file->addAction(QIcon("icons:down.png"), "Save map...");
    QAction* show_log = file->addAction("Show log", log_.data(), SLOT(show()), QKeySequence());
    // The window makes no raw memory editor, so its entry never shows.
    add_memory_table_entry(file, show_log);

    tools::connect(run_script, SIGNAL(triggered(bool)), [this] { guarded(this, [this] { run_script_command(); }); });
    connect(this, SIGNAL(connected(bool)), run_script, SLOT(setEnabled(bool)));
    tools::connect(save_map, SIGNAL(triggered(bool)), [this] { guarded(this, [this] { save_map_command(); }); });
    connect(this, SIGNAL(connected(bool)), save_map, SLOT(setEnabled(bool)));

    QMenu* options = menuBar()->addMenu(tr("Options"));
    QAction* preferences = options->addAction(QIcon("icons:configure.png"), tr("Preferences"));
    tools::connect(preferences, SIGNAL(triggered(bool)), [this] { guarded(this, [this] { preferences_command(); }); });

    graph_menu_ = menuBar()->addMenu(tr("Graph"));
    tools::connect(this, SIGNAL(connected(bool)), [this] {
        // The profile display reads 0 whenever no device is connected.
        bool graphs = ui_->profile->value() != 0 && device_ && !device_->profile().graphics.empty();
        graph_menu_->setEnabled(graphs);
    });

    connect(ui_->connect, SIGNAL(clicked(bool)), this, SLOT(init_device(bool)));

    QMenu* about = menuBar()->addMenu(tr("About"));
    QAction* about_box = about->addAction(QIcon("icons:engine.png"), tr("About"));
    about_box->setMenuRole(QAction::AboutRole);
    tools::connect(about_box, SIGNAL(triggered(bool)), [this] { guarded(this, [] { about_command(); }); });
    QAction* about_qt = about->addAction(QIcon("icons:qt-icon.png"), tr("About Qt"));
    about_qt->setMenuRole(QAction::AboutQtRole);
    connect(about_qt, SIGNAL(triggered(bool)), qApp, SLOT(aboutQt()));
}
