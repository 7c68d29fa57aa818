#pragma once
// The GUI process's one primary window. One class; its member functions
// live in one source file per capability, named below.

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QTextEdit;
class QTimer;
class device;
class graphic;
class memory_table;

namespace profiles {
struct item;
}

namespace Ui {
class main_window;
}

// The window creates no raw memory editor; the deleter keeps the owning
// pointer usable without the editor's definition (main_window_memory.cpp).
struct memory_table_deleter {
    void operator()(memory_table* editor) const;
};

// The update timer, a child of the connected device; null while disconnected.
extern QPointer<QTimer> updater;
// Milliseconds between polls for a stored number of seconds; 0 for none.
int update_interval(int seconds);
// The page button whose page is shown.
extern QPointer<QPushButton> current_button;

class main_window : public QMainWindow {
    Q_OBJECT
    // The tests' way to the members below (tests/support).
    friend struct main_window_test_access;

public:
    // The frame: form, log and graph windows, geometry (main_window.cpp).
    explicit main_window(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~main_window() override;

signals:
    void connected(bool b);

public slots:
    // Connecting and disconnecting (main_window_connect.cpp).
    void init_device(bool b);
    void free_device();

private slots:
    void do_connected();
    void do_disconnected();

private:
    // Menus and the Connect button's wiring (main_window_menus.cpp).
    void init_ui();
    // The Graph menu and the curves of the connected device (main_window_graph.cpp).
    void init_graphics();
    // Static panel, page buttons and the shown page (main_window_panels.cpp).
    void init_static_panel();
    void init_control_panel();
    void show_page(QPushButton* button, const std::vector<profiles::item>& items);
    // One poll of the connected device (main_window_tick.cpp).
    void update_tick();
    // The raw memory editor, when the window holds one (main_window_memory.cpp):
    // its File entry, and the link and polled items while connected.
    void add_memory_table_entry(QMenu* file, QAction* before);
    void attach_memory_table();
    void detach_memory_table();
    // "Run script..." and "Save map..." (main_window_files.cpp).
    void run_script_command();
    void save_map_command();
    // "Preferences" and "About" (main_window_boxes.cpp).
    void preferences_command();
    static void about_command();
    // Whether the window has been deleted, or has let go of `dev`, since a
    // handler took both: its check after anything that runs events
    // (main_window.cpp).
    static bool let_go(const QPointer<main_window>& self, const std::shared_ptr<device>& dev);

    // The raw memory editor: never made here, so always null.
    std::unique_ptr<memory_table, memory_table_deleter> memory_table_;
    std::unique_ptr<Ui::main_window> ui_;
    // The graph window, a top-level window of its own.
    std::unique_ptr<graphic> graphic_;
    // The log window; deleted after the main window, through destroyed().
    QPointer<QTextEdit> log_;
    // The connected driver, shared with the controls and curve holders;
    // empty while disconnected.
    std::shared_ptr<device> device_;
    // Owned by the menu bar.
    QMenu* graph_menu_ = nullptr;
};
