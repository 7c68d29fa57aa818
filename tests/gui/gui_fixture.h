#pragma once
// A real device on the in-memory emulation for the control tests, with a
// back end that counts writes and can be told to fail them.

#include "device/device.h"
#include "modbus/connection.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <memory>
#include <stdexcept>
#include <vector>

namespace gui_test {

inline std::map<unsigned short, unsigned short>& vmem()
{
    return modbus::connection::emulation_device::vmem;
}

class emulation : public modbus::connection::emulation_device {
public:
    emulation() : emulation_device(make_desc()) {}

    bool fail_writes = false;
    int writes = 0;

    int write_registers(unsigned short address, const std::vector<unsigned short>& values) override
    {
        if (fail_writes)
            throw std::runtime_error("write refused by the test");
        ++writes;
        return emulation_device::write_registers(address, values);
    }

    static modbus::connection::descriptor make_desc()
    {
        modbus::connection::descriptor d;
        d.type = 0;
        d.name = "emulation";
        return d;
    }
};

// A device on a cleared emulation memory; `backend` points at its back end.
inline std::shared_ptr<device> make_device(emulation*& backend)
{
    vmem().clear();
    auto b = std::make_unique<emulation>();
    backend = b.get();
    auto dev = std::make_shared<device>(std::make_shared<modbus::connection>(std::move(b)));
    backend->writes = 0;
    return dev;
}

inline profiles::item make_item(unsigned short address, profiles::item_gui gui, unsigned length,
                                profiles::item_dir dir = profiles::rw)
{
    profiles::item i = profiles::single(address);
    i.gui = gui;
    i.dir = dir;
    i.scale = 1.0f;
    i.value.length = length;
    i.value.data.assign(length, 0);
    return i;
}

inline std::vector<unsigned short> words_at(unsigned short address, unsigned count)
{
    std::vector<unsigned short> r;
    for (unsigned i = 0; i < count; ++i)
        r.push_back(vmem()[static_cast<unsigned short>(address + i)]);
    return r;
}

inline void set_words(unsigned short address, const std::vector<unsigned short>& words)
{
    for (std::size_t i = 0; i < words.size(); ++i)
        vmem()[static_cast<unsigned short>(address + i)] = words[i];
}

inline bool base_is(const QWidget& w, const QColor& c)
{
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        if (w.palette().color(g, QPalette::Base) != c)
            return false;
    return true;
}

} // namespace gui_test
