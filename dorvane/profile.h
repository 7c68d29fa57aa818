#pragma once
// The device profile model: what a driver's registers are and how the
// program shows them.

#include "export.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QJsonObject;

namespace profiles {

typedef unsigned short u16;

enum item_gui { label = 0, spin = 1, fbox = 2, combo = 3, button = 4, string = 5 };
enum item_dir { ro = 0, rw = 1, wo = 2 };

typedef std::vector<std::pair<u16, std::string>> value_map;

namespace detail {

struct DORVANE_EXPORT value {
    value();
    value(const value&);
    value& operator=(const value&);
    ~value();

    std::vector<u16> data;
    std::uint32_t length;
    bool is_signed;
};

} // namespace detail

struct DORVANE_EXPORT item {
    item();
    item(const item&) = default;
    item& operator=(const item&) = default;
    ~item();

    u16 address;
    std::int32_t min;
    std::int32_t max;
    detail::value value;
    item_gui gui;
    item_dir dir;
    float scale;
    float offset;
    value_map map;
    std::string name;

    unsigned length() const;
    void set_data(const std::vector<u16>& words);
};

struct DORVANE_EXPORT graphic {
    graphic();
    graphic(const graphic&) = default;
    graphic& operator=(const graphic&) = default;
    ~graphic();

    item trigger;
    u16 start;
    std::uint32_t count;
    std::string title;
};

struct DORVANE_EXPORT mmap_template {
    mmap_template();
    mmap_template(const mmap_template&);
    mmap_template& operator=(const mmap_template&) = default;
    ~mmap_template();

    std::string header;
    std::vector<std::string> descriptions;
    std::string footer;
    u16 from;
    u16 until;
};

typedef std::list<std::pair<std::string, std::vector<item>>> page_list;

struct DORVANE_EXPORT profile {
    profile();
    profile(const profile&);
    profile& operator=(const profile&) = default;
    ~profile();

    u16 id;
    std::string name;
    std::vector<item> static_map;
    page_list pages;
    item command;
    item extra;
    mmap_template mmap;
    std::vector<graphic> graphics;

    // First register of the identity block: identifier, hardware version,
    // firmware version, 16-bit sum of the three.
    static const u16 id_address;
    // The command register: 0 resets an alarm, 1 switches the servo on, 2
    // off, 3 loads the default parameters, 4 those in EEPROM, 5 saves them.
    static constexpr u16 command_address = 0xFFF8;
};

// Every unit that includes this header gets its own copies.
static const detail::value no_val;
static const value_map no_map;
static const u16 no_addr = 0xFFFF;

DORVANE_EXPORT item single(u16 address);
DORVANE_EXPORT detail::value val_u16(u16 v);
DORVANE_EXPORT detail::value val_str(std::string text, unsigned n);
DORVANE_EXPORT value_map btn_txt(const std::string& caption);

// Registry -----------------------------------------------------------------

DORVANE_EXPORT std::map<u16, profile>& reg();
DORVANE_EXPORT std::list<std::function<void()>>& lazy();
DORVANE_EXPORT u16 register_profile(const profile& p);
DORVANE_EXPORT void init_profiles();
DORVANE_EXPORT bool is_registered(u16 id);
DORVANE_EXPORT const profile& get_profile(u16 id);
DORVANE_EXPORT const page_list& get_pages(u16 id);
DORVANE_EXPORT const std::vector<item>& get_static_map(u16 id);
DORVANE_EXPORT std::vector<u16> profile_list();

// The root object of a profile plug-in. A plug-in publishes the sizes of
// the profile types it was compiled against as the properties
// "profile_size", "item_size", "graphic_size" and "value_size", and the same
// numbers in its JSON metadata, so that a loader can refuse it before its
// code runs.
class DORVANE_EXPORT ProfilePlugin : public QObject {
    Q_OBJECT
public:
    explicit ProfilePlugin(QObject* parent = nullptr);
    ~ProfilePlugin() override;

    // A human-readable name of the plug-in.
    virtual QString plugin_name() const = 0;
    // The identifiers of the profiles the plug-in queues.
    virtual std::vector<u16> profile_ids() const = 0;
    // A number the program writes to its log when the plug-in loads.
    virtual u16 plugin_id() const = 0;

    static bool check_plugin(QObject* obj);
    // The same comparison on a plug-in's metadata, as QPluginLoader::metaData()
    // returns it (the plug-in's own JSON sits under "MetaData").
    static bool check_metadata(const QJsonObject& meta);
};

} // namespace profiles

// The interface identifier a profile plug-in names in Q_PLUGIN_METADATA.
#define ProfilePlugin_iid "org.tarnwick.velmora.ProfilePlugin/1.0"

// Called by a plug-in's root object (in the plug-in's own code, so that the
// sizes are those the plug-in was compiled with).
#define PROFILE_PLUGIN_PUBLISH_SIZES(obj)                                                  \
    do {                                                                                   \
        (obj)->setProperty("profile_size", unsigned(sizeof(::profiles::profile)));         \
        (obj)->setProperty("item_size", unsigned(sizeof(::profiles::item)));               \
        (obj)->setProperty("graphic_size", unsigned(sizeof(::profiles::graphic)));         \
        (obj)->setProperty("value_size", unsigned(sizeof(::profiles::detail::value)));     \
    } while (0)
