#include "builtin.h"
#include "converter.h"

namespace profiles {
namespace builtin {

item make_item(const row& r)
{
    item it;
    it.address = r.address;
    it.min = r.min;
    it.max = r.max;
    switch (r.img) {
    case image::none:
        // A fresh empty image rather than the header's no_val: this may run
        // before that object of this unit has been constructed.
        it.value = detail::value();
        break;
    case image::word:
        it.value = val_u16(0);
        break;
    case image::signed_word:
        it.value.data = modbus::converter<unsigned short>::to_modbus(0);
        it.value.length = 1;
        it.value.is_signed = true;
        break;
    case image::text:
        it.value = val_str(" ", r.count);
        break;
    case image::command:
        it.value = val_u16(r.code);
        break;
    }
    it.gui = r.gui;
    it.dir = r.dir;
    it.scale = r.scale;
    it.offset = 0.0f;
    if (r.img == image::command) {
        it.map = btn_txt(r.caption);
    } else {
        for (std::size_t i = 0; i < r.values.size; ++i)
            it.map.emplace_back(r.values.first[i].raw, r.values.first[i].text);
    }
    it.name = r.name;
    return it;
}

std::vector<item> make_items(const row* rows, std::size_t n)
{
    std::vector<item> items;
    items.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        items.push_back(make_item(rows[i]));
    return items;
}

profile make_profile(u16 id, const char* const* descriptions, std::size_t n_descriptions, u16 until)
{
    profile pr;
    pr.id = id;
    pr.name = "static profile 0";
    pr.command = single(profile::command_address);
    pr.extra = single(1);
    pr.mmap.header = "\n// Memory map file\n";
    pr.mmap.descriptions.assign(descriptions, descriptions + n_descriptions);
    pr.mmap.footer = "//\n0xFFF8, 5; // Save current parameters to EEPROM\n// End of file\n";
    pr.mmap.from = 0;
    pr.mmap.until = until;
    return pr;
}

} // namespace builtin

namespace {

// The one place that queues the library's own profiles, so that their
// order does not depend on the order in which the linker runs the units'
// initialisers.
const u16 registerd_impl_[] = {
    builtin::queue_cedar(),
    builtin::queue_birch(),
    builtin::queue_alder(),
};

} // namespace

} // namespace profiles
