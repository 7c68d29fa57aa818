#pragma once
// Building blocks of the profiles the library carries itself (private to
// the library).
//
// The tables are constant data: they exist before any static initialiser
// runs, so a profile can be built from them whenever the library decides,
// whatever order the linker gives the units.

#include "profile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace profiles {
namespace builtin {

// One entry of a combo box's value table.
struct choice {
    u16 raw;
    const char* text;
};

struct choices {
    const choice* first;
    std::size_t size;
};

template <std::size_t N>
constexpr choices of(const choice (&table)[N])
{
    return {table, N};
}

// What the register image of a row starts as.
enum class image { none, word, signed_word, text, command };

struct row {
    u16 address;
    std::int32_t min;
    std::int32_t max;
    image img;
    unsigned count; // registers of a text row
    u16 code;       // command code of a button
    item_gui gui;
    item_dir dir;
    float scale;
    choices values;
    const char* caption; // button caption
    const char* name;
};

constexpr row heading(const char* name)
{
    return {no_addr, -1, -1, image::none, 0, 0, label, ro, 1.0f, {nullptr, 0}, nullptr, name};
}

constexpr row command(u16 code, const char* caption, const char* name)
{
    return {profile::command_address, -1, -1, image::command, 0, code, button, wo, 1.0f, {nullptr, 0}, caption, name};
}

constexpr row spin_u(u16 address, item_dir dir, float scale, const char* name)
{
    return {address, -1, -1, image::word, 0, 0, spin, dir, scale, {nullptr, 0}, nullptr, name};
}

constexpr row spin_s(u16 address, item_dir dir, float scale, const char* name)
{
    return {address, -1, -1, image::signed_word, 0, 0, spin, dir, scale, {nullptr, 0}, nullptr, name};
}

constexpr row combo_box(u16 address, item_dir dir, choices values, const char* name)
{
    return {address, -1, -1, image::word, 0, 0, combo, dir, 1.0f, values, nullptr, name};
}

constexpr row text(u16 address, item_dir dir, unsigned count, const char* name)
{
    return {address, -1, -1, image::text, count, 0, string, dir, 1.0f, {nullptr, 0}, nullptr, name};
}

// A row with the raw range of a signed word.
constexpr row ranged(row r)
{
    r.min = -32768;
    r.max = 32767;
    return r;
}

item make_item(const row& r);
std::vector<item> make_items(const row* rows, std::size_t n);

template <std::size_t N>
std::vector<item> make_items(const row (&rows)[N])
{
    return make_items(rows, N);
}

// The parts every built-in profile has in common; `descriptions` are one
// line per register from 0, the map covers [0, until).
profile make_profile(u16 id, const char* const* descriptions, std::size_t n_descriptions, u16 until);

constexpr char reserved[] = "Reserved (DO NOT CHANGE VALUE!)";

// Each builds one profile and queues it; returns its identifier.
u16 queue_alder(); // 6469
u16 queue_birch(); // 6758
u16 queue_cedar(); // 6760

} // namespace builtin
} // namespace profiles
