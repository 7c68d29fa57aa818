#include "memory_table.h"

#include "ui_memory_table.h"

#include "dorvane/syslog.h"
#include "modbus/devices.h"
#include "modbus/errors.h"
#include "services/tools.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <QTableWidgetItem>

#include <algorithm>
#include <vector>

namespace {

cl::syslog::module ___syslog("main");

typedef unsigned short u16;

const int table_side = 256;
// Registers asked for per request of "readl all".
const int read_all_block = 110;

QString header_label(int section)
{
    // "0x%1" upper-cased as a whole would give "0XFF".
    return QStringLiteral("0x") + QString::number(section, 16).toUpper();
}

} // namespace

std::pair<u16, u16> map_pos(u16 address)
{
    return std::make_pair(static_cast<u16>(address & 0xFF), static_cast<u16>(address >> 8));
}

int map_pos(u16 row, u16 column)
{
    return row * table_side + column;
}

memory_table::memory_table(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), ui_(new Ui_memory_table)
{
    ui_->setupUi(this);
    ui_->addr->setRange(0, 65535);
    ui_->value->setRange(0, 65535);

    QTableWidget* mt = ui_->mt;
    mt->setColumnCount(table_side);
    mt->setRowCount(table_side);
    QStringList labels;
    for (int i = 0; i < table_side; ++i)
        labels << header_label(i);
    mt->setHorizontalHeaderLabels(labels);
    mt->setVerticalHeaderLabels(labels);
    for (int r = 0; r < table_side; ++r)
        for (int c = 0; c < table_side; ++c)
            mt->setItem(r, c, new QTableWidgetItem(QString::number(map_pos(r, c))));

    connect(mt, &QTableWidget::cellChanged, this, &memory_table::changed);
    connect(mt->selectionModel(), &QItemSelectionModel::currentChanged, this, &memory_table::activated);
    connect(ui_->connect, &QPushButton::clicked, this, &memory_table::connect_device);
    connect(ui_->read, &QPushButton::clicked, this, &memory_table::read);
    connect(ui_->write, &QPushButton::clicked, this, &memory_table::write);
    connect(ui_->read_all, &QPushButton::clicked, this, &memory_table::read_all);
    tools::connect(ui_->port_select, SIGNAL(clicked()), [this] { show_device_list(); });

    ui_->device->setText(QSettings().value(QStringLiteral("debug_port")).toString());

    tools::connect(ui_->gotoprofile, SIGNAL(clicked()), [this] { goto_profile_cell(); });

    set_enabled(false);
}

memory_table::~memory_table()
{
    connection_.reset();
    ui_.reset();
}

void memory_table::set_enabled(bool on)
{
    ui_->read->setEnabled(on);
    ui_->write->setEnabled(on);
    ui_->read_all->setEnabled(on);
}

// Edits of a cell change only its text; nothing is sent.
void memory_table::changed(int, int)
{
}

void memory_table::activated(const QModelIndex& current, const QModelIndex&)
{
    // The table can lose its current cell (a reset of the model).
    if (!current.isValid())
        return;
    ui_->addr->setValue(map_pos(static_cast<u16>(current.row()), static_cast<u16>(current.column())));
    const QTableWidgetItem* item = ui_->mt->item(current.row(), current.column());
    bool ok = false;
    const int v = item ? item->text().toInt(&ok) : 0;
    ui_->value->setValue(ok ? v : 0);
}

void memory_table::connect_device()
{
    const std::string id = ui_->device->text().toLocal8Bit().toStdString();
    QPointer<memory_table> self(this);
    try {
        const modbus::connection::descriptor d = modbus::device(id);
        auto conn = std::make_shared<modbus::connection>(d, 3);
        if (!self)
            return;
        connection_ = conn;
        set_enabled(true);
    } catch (const std::exception& e) {
        if (self)
            report(QStringLiteral("Can't open to device"), QStringLiteral("Can't open device '%1' : %2"), e);
    }
}

void memory_table::read()
{
    QPointer<memory_table> self(this);
    const QModelIndexList selected = ui_->mt->selectionModel()->selectedIndexes();
    try {
        for (const QModelIndex& index : selected) {
            // Held for the request, in case the link is replaced meanwhile.
            const modbus::connection_p conn = connection_;
            if (!conn)
                return;
            const u16 address = static_cast<u16>(map_pos(static_cast<u16>(index.row()), static_cast<u16>(index.column())));
            std::vector<u16> data(1);
            conn->read_registers(address, data, false);
            if (!self)
                return;
            if (!data.empty())
                set_cell(address, data.front());
        }
    } catch (const std::exception& e) {
        if (self)
            report(QStringLiteral("Can't read data"), QStringLiteral("Can't read data '%1' : %2"), e);
    }
}

void memory_table::write()
{
    const modbus::connection_p conn = connection_;
    if (!conn)
        return;
    const u16 address = static_cast<u16>(ui_->addr->value());
    const std::vector<u16> data(1, static_cast<u16>(ui_->value->value()));
    QPointer<memory_table> self(this);
    try {
        conn->write_registers(address, data);
    } catch (const std::exception& e) {
        // The driver refused the address or the value: the register keeps
        // its old value, which the user must learn like any other failure.
        if (dynamic_cast<const modbus::protocol_exception*>(&e)) {
            VLOG(cl::syslog::err) << "Can't write data:" << e.what();
        }
        if (self)
            report(QStringLiteral("Can't write data"), QStringLiteral("Can't write data '%1' : %2"), e);
    }
}

void memory_table::read_all()
{
    QPointer<memory_table> self(this);
    std::vector<u16> buffer(read_all_block);
    // An int, so that the step past 0xFFFF ends the pass instead of
    // wrapping to 0.
    int start = 0;
    try {
        while (start <= 0xFFFF) {
            // Looked up anew for every block: the link may have been
            // replaced or taken away while events ran.
            const modbus::connection_p conn = connection_;
            if (!conn)
                return;
            buffer.resize(static_cast<std::size_t>(std::min(read_all_block, 0x10000 - start)));
            conn->read_registers(static_cast<u16>(start), buffer, false);
            if (!self)
                return;
            for (std::size_t i = 0; i < buffer.size(); ++i)
                set_cell(static_cast<u16>(start + static_cast<int>(i)), buffer[i]);
            // A block that brings nothing would never move the start on.
            if (buffer.empty())
                return;
            start += static_cast<int>(buffer.size());
            // The window stays usable during the pass; the user may close
            // and delete it meanwhile.
            QCoreApplication::processEvents();
            if (!self)
                return;
        }
    } catch (const std::exception& e) {
        if (self)
            report(QStringLiteral("Can't read data"), QStringLiteral("Can't read data '%1' : %2"), e);
    }
}

void memory_table::set_connection(modbus::connection_p conn)
{
    connection_ = std::move(conn);
    set_enabled(static_cast<bool>(connection_));
}

void memory_table::item_changed(const profiles::item& item)
{
    for (std::size_t i = 0; i < item.value.data.size(); ++i)
        set_cell(static_cast<u16>(item.address + i), item.value.data[i]);
}

void memory_table::show_device_list()
{
    // A child window of the editor: it goes away when it is closed or with
    // the editor, so a late pick can't write into a deleted editor, and it
    // doesn't keep the process alive after the last main window closed.
    auto* box = new QComboBox(this);
    box->setWindowFlags(Qt::Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    try {
        for (const modbus::connection::descriptor& d : modbus::devices())
            box->addItem(QString::fromLocal8Bit(modbus::to_string(d).c_str()));
    } catch (const std::exception& e) {
        delete box;
        report(QStringLiteral("Can't open to device"), QStringLiteral("Can't open device '%1' : %2"), e);
        return;
    }
    tools::connect(box, SIGNAL(currentIndexChanged(int)), [this, box] {
        ui_->device->setText(box->currentText());
        QSettings().setValue(QStringLiteral("debug_port"), box->currentText());
    });
    ui_->device->setText(box->currentText());
    box->move(mapToGlobal(rect().center()));
    box->show();
}

void memory_table::goto_profile_cell()
{
    const auto pos = map_pos(profiles::profile::id_address);
    QTableWidgetItem* item = ui_->mt->item(pos.second, pos.first);
    ui_->mt->scrollToItem(item, QAbstractItemView::EnsureVisible);
    ui_->mt->setCurrentItem(item);
}

void memory_table::set_cell(u16 address, u16 value)
{
    const auto pos = map_pos(address);
    ui_->mt->item(pos.second, pos.first)->setText(QString::number(value));
}

void memory_table::report(const QString& title, const QString& text, const std::exception& e)
{
    // On the heap: a box on the stack would be deleted twice if the editor,
    // its parent, went away while the box runs its loop.
    const QString shown = text.arg(ui_->device->text(), QString::fromLocal8Bit(e.what()));
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Critical, title, shown, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->exec();
}
