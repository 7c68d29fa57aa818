#include "profile.h"
#include "converter.h"
#include "syslog.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QVariant>

#include <algorithm>
#include <iostream>
#include <stdexcept>

namespace {
cl::syslog::module ___syslog("profiles");

std::string tr_text(const char* text)
{
    return QCoreApplication::translate("QObject", text).toLocal8Bit().toStdString();
}
} // namespace

namespace profiles {

namespace detail {
value::value() : length(0), is_signed(false) {}
value::value(const value&) = default;
value& value::operator=(const value&) = default;
value::~value() = default;
} // namespace detail

item::item()
    : address(0), min(-1), max(-1), gui(label), dir(rw), scale(0.0f), offset(0.0f)
{
}
item::~item() = default;

unsigned item::length() const
{
    return value.length;
}

void item::set_data(const std::vector<u16>& words)
{
    value.data.assign(value.length, 0);
    std::copy_n(words.begin(), std::min<std::size_t>(value.length, words.size()), value.data.begin());
}

graphic::graphic() : start(0), count(0) {}
graphic::~graphic() = default;

mmap_template::mmap_template() : from(0), until(0) {}
mmap_template::mmap_template(const mmap_template&) = default;
mmap_template::~mmap_template() = default;

profile::profile() : id(0) {}
profile::profile(const profile&) = default;
profile::~profile() = default;

const u16 profile::id_address = 0xFFF0;

item single(u16 address)
{
    item it;
    it.address = address;
    it.min = -1;
    it.max = -1;
    it.value = val_u16(0);
    it.gui = label;
    it.dir = rw;
    it.scale = 0.0f;
    it.offset = 0.0f;
    return it;
}

detail::value val_u16(u16 v)
{
    detail::value r;
    r.data.assign(1, v);
    r.length = 1;
    r.is_signed = false;
    return r;
}

detail::value val_str(std::string text, unsigned n)
{
    if (n)
        text.resize(2 * static_cast<std::size_t>(n), '\0');
    detail::value r;
    r.data = modbus::converter<std::string>::to_modbus(text);
    r.length = static_cast<std::uint32_t>(r.data.size());
    r.is_signed = false;
    return r;
}

value_map btn_txt(const std::string& caption)
{
    return value_map{{0, caption}};
}

// Registry -----------------------------------------------------------------

// Created on first use and never destroyed: the references handed out stay
// valid until the process ends, whatever the order of static destruction.
std::map<u16, profile>& reg()
{
    static auto* registry = new std::map<u16, profile>;
    return *registry;
}

std::list<std::function<void()>>& lazy()
{
    static auto* queue = new std::list<std::function<void()>>;
    return *queue;
}

namespace {

void do_register(const profile& p)
{
    VLOG(cl::syslog::dbg) << "registering profile:" << p.name << "(" << p.id << ")";
    auto found = reg().find(p.id);
    if (found != reg().end()) {
        if (found->second.static_map.size() != p.static_map.size() ||
            found->second.pages.size() != p.pages.size())
            throw std::runtime_error(tr_text("profile with such id already registered and has different items"));
    }
    reg().emplace(p.id, p);
    VLOG(cl::syslog::dbg) << "registering profile finished";
}

} // namespace

u16 register_profile(const profile& p)
{
    // Called from other units' static initialisers, possibly before the
    // standard streams of this unit are set up.
    static std::ios_base::Init streams;
    std::cerr << "delaying lazy init:" << p.id << std::endl;
    lazy().push_back([copy = p]() { do_register(copy); });
    return p.id;
}

void init_profiles()
{
    const std::list<std::function<void()>> queue = lazy();
    for (const auto& f : queue) {
        try {
            f();
        } catch (const std::exception& e) {
            VLOG(cl::syslog::err) << "Error when initializing profile:" << e.what();
        }
    }
    lazy().clear();
}

bool is_registered(u16 id)
{
    return reg().count(id) != 0;
}

const profile& get_profile(u16 id)
{
    VLOG(cl::syslog::dbg) << "requesting profile:" << id;
    auto found = reg().find(id);
    if (found == reg().end())
        throw std::runtime_error(tr_text("there is no profile with such id"));
    return found->second;
}

const page_list& get_pages(u16 id)
{
    return get_profile(id).pages;
}

const std::vector<item>& get_static_map(u16 id)
{
    return get_profile(id).static_map;
}

std::vector<u16> profile_list()
{
    std::vector<u16> ids;
    ids.reserve(reg().size());
    for (const auto& entry : reg())
        ids.push_back(entry.first);
    return ids;
}

// Plug-in check -------------------------------------------------------------

ProfilePlugin::ProfilePlugin(QObject* parent) : QObject(parent) {}
ProfilePlugin::~ProfilePlugin() = default;

namespace {

const char* const size_names[] = {"profile_size", "item_size", "graphic_size", "value_size"};
const unsigned own_sizes[] = {sizeof(profile), sizeof(item), sizeof(graphic), sizeof(detail::value)};

} // namespace

bool ProfilePlugin::check_plugin(QObject* obj)
{
    if (!obj)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const unsigned v = obj->property(size_names[i]).toUInt(&ok);
        if ((ok ? v : 0u) != own_sizes[i])
            return false;
    }
    return true;
}

bool ProfilePlugin::check_metadata(const QJsonObject& meta)
{
    const QJsonObject data = meta.value(QStringLiteral("MetaData")).toObject();
    for (int i = 0; i < 4; ++i) {
        const QJsonValue v = data.value(QLatin1String(size_names[i]));
        if (!v.isDouble() || v.toDouble() != static_cast<double>(own_sizes[i]))
            return false;
    }
    return meta.value(QStringLiteral("IID")).toString() == QLatin1String(ProfilePlugin_iid);
}

} // namespace profiles
