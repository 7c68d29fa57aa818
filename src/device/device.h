#pragma once
// The connected servo driver as the rest of the program sees it: its
// identity, its own copy of the profile, and the watch list of items that
// the visible controls and graphs keep up to date.

#include "device/script.h"
#include "dorvane/profile.h"
#include "modbus/connection.h"

#include <QMetaType>
#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// dorvane knows nothing of Qt's meta types; the signal below needs one.
Q_DECLARE_METATYPE(profiles::item)

class device : public QObject {
    Q_OBJECT
public:
    typedef unsigned short u16;
    typedef std::chrono::steady_clock clock;
    typedef std::function<clock::time_point()> clock_source;

    // Reads and checks the identity block. On the emulation the block is
    // first seeded with the smallest registered profile identifier. Throws
    // the link's exception, or std::runtime_error "Device checksum failed!".
    explicit device(modbus::connection_p connection);
    // Releases the connection before logging.
    ~device() override;

    u16 hw() const { return hw_; }
    u16 fw() const { return fw_; }
    u16 id() const { return id_; }

    void set_profile(const profiles::profile& p);
    const profiles::profile& profile() const { return profile_; }

    // At most one item per address, counted: a register shown by two
    // controls stays watched until both have removed it, as the item of the
    // control still showing it. Removing one that isn't watched changes
    // nothing and is logged as a warning. Heading rows and items without
    // registers are ignored.
    void add_item_watch(const profiles::item& item);
    void remove_item_watch(const profiles::item& item);
    const std::vector<profiles::item>& watch_list() const { return watch_list_; }

    // Registers of every item that isn't write-only, read as runs of
    // consecutive addresses; `fast` serves them from the link's copy.
    std::map<u16, u16> optimized_read(const std::vector<profiles::item>& items, bool fast);

    // The item's whole register image in one request. Throws for read-only
    // items and for an image without registers, before any request.
    void write_item(const profiles::item& item);
    void read_item(profiles::item& item);
    // Registers [from, until) as a script of commands, with the memory-map
    // descriptions of the profile as texts.
    script read_memory(u16 from, u16 until);
    // Writes every command of the script, one register per request, in
    // order; stops at the first failure.
    void run_script(const script& s);
    script dump_profile();

    modbus::connection& connection() { return *connection_; }
    // An update is running.
    bool updating() const { return updating_; }

    // Where the busy tolerance takes the time from (tests).
    void set_clock(clock_source source);

public slots:
    void update_profile(bool fast = false);

signals:
    void item_changed(const profiles::item& item);

private:
    std::vector<u16> read_exact(u16 address, std::size_t count);
    // A command of a memory dump, with its description as text.
    script::command command_for(u16 address, u16 value) const;

    modbus::connection_p connection_;
    profiles::profile profile_;
    u16 hw_ = 0;
    u16 fw_ = 0;
    u16 id_ = 0;
    std::vector<profiles::item> watch_list_;
    // The items of the controls watching each address; the watch list holds
    // the first of them.
    std::map<u16, std::vector<profiles::item>> watchers_;
    bool updating_ = false;
    bool watch_changed_ = false;
    // End of the tolerance for a busy driver; empty: none running.
    std::optional<clock::time_point> busy_until_;
    clock_source clock_;
};
