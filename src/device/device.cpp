#include "device/device.h"

#include "dorvane/syslog.h"
#include "modbus/errors.h"
#include "services/local8.h"
#include "services/settings.h"

#include <QObject>
#include <QString>

#include <algorithm>
#include <set>
#include <stdexcept>

namespace {

cl::syslog::module ___syslog("device");

typedef device::u16 u16;

bool ignored(const profiles::item& item)
{
    return item.address == profiles::no_addr || item.length() == 0;
}

std::vector<profiles::item>::iterator find_watched(std::vector<profiles::item>& list, u16 address)
{
    return std::find_if(list.begin(), list.end(),
                        [address](const profiles::item& i) { return i.address == address; });
}

} // namespace

device::device(modbus::connection_p connection)
    : connection_(std::move(connection)), clock_(&clock::now)
{
    qRegisterMetaType<profiles::item>();
    VLOG(cl::syslog::info) << "device created";

    std::vector<u16> block = read_exact(profiles::profile::id_address, 4);
    if (connection_->backend().desc().type == modbus::emulation_link) {
        const std::vector<u16> ids = profiles::profile_list();
        if (ids.empty())
            throw std::runtime_error(
                local8(QObject::tr("No device profile is registered, so the emulation has no profile identifier")));
        block[0] = ids.front();
        block[3] = static_cast<u16>(block[0] + block[1] + block[2]);
        connection_->write_registers(profiles::profile::id_address, block);
    }
    id_ = block[0];
    hw_ = block[1];
    fw_ = block[2];
    VLOG(cl::syslog::dbg) << "hw:" << hw_;
    VLOG(cl::syslog::dbg) << "fw:" << fw_;
    VLOG(cl::syslog::dbg) << "profile:" << id_;
    if (static_cast<u16>(id_ + hw_ + fw_) != block[3])
        throw std::runtime_error("Device checksum failed!");
}

device::~device()
{
    // The link's own closing line comes before ours.
    connection_.reset();
    VLOG(cl::syslog::info) << "device destroyed";
}

void device::set_profile(const profiles::profile& p)
{
    profile_ = p;
}

void device::set_clock(clock_source source)
{
    clock_ = source ? std::move(source) : clock_source(&clock::now);
}

void device::add_item_watch(const profiles::item& item)
{
    if (ignored(item))
        return;
    std::vector<profiles::item>& watchers = watchers_[item.address];
    watchers.push_back(item);
    if (watchers.size() > 1) {
        VLOG(cl::syslog::dbg) << "item already watched, counted:" << item.address;
        return;
    }
    watch_list_.push_back(item);
    watch_changed_ = true;
}

void device::remove_item_watch(const profiles::item& item)
{
    if (ignored(item))
        return;
    auto it = find_watched(watch_list_, item.address);
    if (it == watch_list_.end()) {
        VLOG(cl::syslog::warn) << "item not watched, not removed:" << item.address;
        return;
    }
    std::vector<profiles::item>& watchers = watchers_[item.address];
    // The watcher that goes is the one showing the item as given, if any.
    auto same = [&item](const profiles::item& w) { return w.gui == item.gui && w.length() == item.length(); };
    auto gone = std::find_if(watchers.begin(), watchers.end(), same);
    watchers.erase(gone == watchers.end() ? watchers.begin() : gone);
    if (watchers.empty()) {
        watchers_.erase(item.address);
        watch_list_.erase(it);
    } else if (it->gui != watchers.front().gui || it->length() != watchers.front().length()) {
        // Read from now on as the control still showing it needs it.
        *it = watchers.front();
    } else {
        return;
    }
    watch_changed_ = true;
}

std::map<u16, u16> device::optimized_read(const std::vector<profiles::item>& items, bool fast)
{
    std::set<u16> addresses;
    for (const profiles::item& i : items) {
        if (i.dir == profiles::wo)
            continue;
        for (unsigned k = 0; k < i.length(); ++k)
            addresses.insert(static_cast<u16>(i.address + k));
    }
    VLOG(cl::syslog::dbg) << "optimized read:";
    return connection_->read_registers(addresses, fast);
}

void device::update_profile(bool fast)
{
    if (!fast && updating_)
        return;

    // Undone on every way out, after the closing line below. A fast update
    // inside another one leaves the outer one running, and doesn't hide
    // from it that the watch list changed during its read.
    struct restore {
        device& d;
        bool updating;
        bool changed;
        ~restore()
        {
            d.updating_ = updating;
            d.watch_changed_ = d.watch_changed_ || changed;
        }
    } guard{*this, updating_, updating_ && watch_changed_};
    updating_ = true;

    if (fast)
        VLOG(cl::syslog::info) << "updating profile from virtual memory copy...";
    else
        VLOG(cl::syslog::info) << "updating profile...";
    cl::syslog::autolog_ptr finished;
    if (cl::syslog::logman().level_check(cl::syslog::dbg))
        *finished.change(new cl::syslog::autolog(___syslog)) << cl::syslog::dbg << "updating profile finished";

    const std::vector<profiles::item> copy = watch_list_;
    watch_changed_ = false;

    std::map<u16, u16> values;
    try {
        values = optimized_read(copy, fast);
    } catch (const modbus::protocol_exception& e) {
        if (e.code != modbus::protocol_exception::busy) {
            busy_until_.reset();
            throw;
        }
        const clock::time_point now = clock_();
        if (!busy_until_) {
            busy_until_ = now + std::chrono::seconds(settings().busytime());
            return;
        }
        if (now < *busy_until_)
            return;
        busy_until_.reset();
        throw;
    }
    busy_until_.reset();

    if (!fast && watch_changed_)
        return;

    for (const profiles::item& c : copy) {
        // Receivers may run the event loop and change the list: look the
        // entry up afresh and hand out a copy, never the entry itself.
        auto live = find_watched(watch_list_, c.address);
        if (live == watch_list_.end()) {
            VLOG(cl::syslog::warn) << "updating item:" << c.address << " skipped, no longer watched";
            continue;
        }
        std::vector<u16> words;
        words.reserve(live->length());
        for (unsigned i = 0; i < live->length(); ++i) {
            auto v = values.find(static_cast<u16>(c.address + i));
            if (v == values.end())
                break;
            words.push_back(v->second);
        }
        if (words.size() != live->length()) {
            VLOG(cl::syslog::warn) << "updating item:" << c.address << " skipped, registers not read";
            continue;
        }
        live->set_data(words);
        const profiles::item changed = *live;
        VLOG(cl::syslog::dbg) << "updating item:" << c.address;
        emit item_changed(changed);
        VLOG(cl::syslog::dbg) << "updating item:" << c.address << " finished";
    }
}

std::vector<u16> device::read_exact(u16 address, std::size_t count)
{
    std::vector<u16> values(count, 0);
    connection_->read_registers(address, values, false);
    // A short answer must not pass for registers that read as 0.
    if (values.size() < count)
        throw std::runtime_error(local8(QObject::tr("Only %1 of %2 registers read from address %3")
                                            .arg(values.size())
                                            .arg(count)
                                            .arg(address)));
    values.resize(count);
    return values;
}

void device::write_item(const profiles::item& item)
{
    VLOG(cl::syslog::dbg) << "write item addr:" << item.address << " length:" << item.length();
    if (item.dir == profiles::ro) {
        VLOG(cl::syslog::err) << "write item READONLY:" << item.address << " length:" << item.length()
                              << " DIR:" << item.dir;
        throw std::runtime_error("Attempt to write data to RO cell");
    }
    // The library would retry the refused request before giving up.
    if (item.value.data.empty())
        throw std::runtime_error(
            local8(QObject::tr("Nothing to write to address %1: the item has no register values").arg(item.address)));
    connection_->write_registers(item.address, item.value.data);
}

void device::read_item(profiles::item& item)
{
    VLOG(cl::syslog::dbg) << "read item addr:" << item.address << " length:" << item.length();
    if (item.dir == profiles::wo) {
        VLOG(cl::syslog::err) << "read item WRITEONLY:" << item.address << " length:" << item.length()
                              << " DIR:" << item.dir;
        throw std::runtime_error("Attempt to read data from WO cell");
    }
    if (item.length() == 0) {
        item.set_data({});
        return;
    }
    item.set_data(read_exact(item.address, item.length()));
}

script::command device::command_for(u16 address, u16 value) const
{
    script::command c;
    c.address = address;
    c.value = value;
    const auto& descriptions = profile_.mmap.descriptions;
    c.text = address < descriptions.size() ? descriptions[address] : std::to_string(address);
    return c;
}

script device::read_memory(u16 from, u16 until)
{
    VLOG(cl::syslog::dbg) << "reading memory from:" << from << " untill:" << until;
    const std::vector<u16> values = connection_->read_block(from, until, false);
    script s;
    s.profile = id_;
    s.items.reserve(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        script::item i;
        i.kind = script::item::command_kind;
        std::get<1>(i.content) = command_for(static_cast<u16>(from + k), values[k]);
        s.items.push_back(std::move(i));
    }
    return s;
}

void device::run_script(const script& s)
{
    VLOG(cl::syslog::info) << "running script...";
    cl::syslog::autolog_ptr finished;
    if (cl::syslog::logman().level_check(cl::syslog::dbg))
        *finished.change(new cl::syslog::autolog(___syslog)) << cl::syslog::dbg << "running script finished";

    for (const script::item& i : s.items) {
        if (i.kind != script::item::command_kind)
            continue;
        const script::command& c = std::get<1>(i.content);
        VLOG(cl::syslog::dbg) << "write cmd addr:" << c.address << " length:" << 1;
        connection_->write_registers(c.address, std::vector<u16>{c.value});
    }
}

script device::dump_profile()
{
    VLOG(cl::syslog::info) << "dumping profile";
    std::vector<profiles::item> items = profile_.static_map;
    for (const auto& page : profile_.pages)
        items.insert(items.end(), page.second.begin(), page.second.end());
    // Write-only registers are not read: a driver need not answer them.
    const std::map<u16, u16> values = optimized_read(items, false);
    script s;
    s.profile = id_;
    s.items.reserve(values.size());
    for (const auto& v : values) {
        script::item i;
        i.kind = script::item::command_kind;
        std::get<1>(i.content) = command_for(v.first, v.second);
        s.items.push_back(std::move(i));
    }
    return s;
}
