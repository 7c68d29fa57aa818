#pragma once
// The raw memory editor: reads and writes single 16-bit registers of a
// driver by address, over the whole space 0x0000-0xFFFF shown as a table of
// 256 x 256 cells (row: high byte, column: low byte). It works on a link
// of its own, opened from the device identity typed or picked in the
// window, or on the main window's, handed over with set_connection.

#include "dorvane/profile.h"
#include "modbus/connection.h"

#include <QModelIndex>
#include <QWidget>

#include <exception>
#include <memory>
#include <utility>

class Ui_memory_table;

// The cell of a register: (column, row), i.e. (low byte, high byte).
std::pair<unsigned short, unsigned short> map_pos(unsigned short address);
// The register of a cell; callers truncate it to 16 bits.
int map_pos(unsigned short row, unsigned short column);

class memory_table : public QWidget {
    Q_OBJECT
public:
    explicit memory_table(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~memory_table() override;

    // The buttons that talk to the driver: "read", "write", "readl all".
    void set_enabled(bool on);

public slots:
    void changed(int row, int column);
    void activated(const QModelIndex& current, const QModelIndex& previous);
    void connect_device();
    void read();
    void write();
    void read_all();
    // An empty pointer takes the link away.
    void set_connection(modbus::connection_p conn);
    // A polled item: its registers' values go into their cells.
    void item_changed(const profiles::item& item);

private:
    void show_device_list();
    void goto_profile_cell();
    void set_cell(unsigned short address, unsigned short value);
    // A critical box with one OK button, safe against the editor being
    // deleted while it is open; in `text`, %1 is the device's text, %2 the
    // reason.
    void report(const QString& title, const QString& text, const std::exception& e);

    std::unique_ptr<Ui_memory_table> ui_;
    modbus::connection_p connection_;
};
