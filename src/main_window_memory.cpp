#include "main_window.h"

#include "memory_table.h"

#include "device/device.h"

#include <QAction>
#include <QMenu>

void memory_table_deleter::operator()(memory_table* editor) const
{
    delete editor;
}

void main_window::add_memory_table_entry(QMenu* file, QAction* before)
{
    if (!memory_table_)
        return;
    auto* entry = new QAction(QStringLiteral("Raw Memory Editor"), file);
    connect(entry, SIGNAL(triggered()), memory_table_.get(), SLOT(show()));
    file->insertAction(before, entry);
}

void main_window::attach_memory_table()
{
    if (!memory_table_)
        return;
    memory_table_->set_connection(device_->shared_connection());
    connect(device_.get(), &device::item_changed, memory_table_.get(), &memory_table::item_changed);
}

void main_window::detach_memory_table()
{
    if (memory_table_)
        memory_table_->set_connection(nullptr);
}
