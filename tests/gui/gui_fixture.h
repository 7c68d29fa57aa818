#pragma once
// A real device on the in-memory emulation, whose back end records every
// write and fails writes on demand, and the pieces the control tests share.

#include "device/device.h"
#include "dorvane/profile.h"
#include "modbus/connection.h"
#include "modbus/errors.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <QtTest>

#include <memory>
#include <utility>
#include <vector>

namespace gui_test {

typedef std::vector<unsigned short> words;

inline auto& vmem()
{
    return modbus::connection::emulation_device::vmem;
}

class backend : public modbus::connection::emulation_device {
public:
    backend() : emulation_device(make_desc()) {}

    struct write {
        unsigned short address;
        gui_test::words values;
    };
    std::vector<write> writes; // those that succeeded
    int attempts = 0;
    bool fail_writes = false;

    int write_registers(unsigned short address, const std::vector<unsigned short>& values) override
    {
        ++attempts;
        if (fail_writes)
            throw modbus::connection_exception("no answer from the driver", 110);
        writes.push_back({address, values});
        return emulation_device::write_registers(address, values);
    }

private:
    static modbus::connection::descriptor make_desc()
    {
        modbus::connection::descriptor d;
        d.name = "Emulation";
        d.type = modbus::emulation_link;
        return d;
    }
};

// A device on a fresh emulation memory; `be` points at its back end. The
// identity block the device seeds is not counted as a write.
inline std::shared_ptr<device> make_device(backend*& be)
{
    vmem().clear();
    profiles::init_profiles();
    auto b = std::make_unique<backend>();
    be = b.get();
    auto dev = std::make_shared<device>(std::make_shared<modbus::connection>(std::move(b)));
    be->writes.clear();
    be->attempts = 0;
    return dev;
}

inline profiles::item make_item(unsigned short address, profiles::item_gui gui, words data, bool is_signed = false,
                                profiles::item_dir dir = profiles::rw, float scale = 1.0f, float offset = 0.0f)
{
    profiles::item i = profiles::single(address);
    i.gui = gui;
    i.dir = dir;
    i.scale = scale;
    i.offset = offset;
    i.value.length = static_cast<std::uint32_t>(data.size());
    i.value.data = std::move(data);
    i.value.is_signed = is_signed;
    i.name = "Item";
    return i;
}

// The driver's registers change and the device polls them.
inline void device_sets(device& dev, unsigned short address, const words& values)
{
    for (std::size_t k = 0; k < values.size(); ++k)
        vmem()[static_cast<unsigned short>(address + k)] = values[k];
    dev.update_profile(false);
}

// A shown, active window holding the control and a line edit that can take
// the focus away from it.
struct window {
    QWidget top;
    QLineEdit* other;

    explicit window(QWidget* control)
    {
        auto* layout = new QHBoxLayout(&top);
        layout->addWidget(control);
        other = new QLineEdit;
        layout->addWidget(other);
        top.show();
        QApplication::setActiveWindow(&top);
    }
};

inline bool same_colour_everywhere(const QPalette& p, QPalette::ColorRole role, const QColor& c)
{
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        if (p.color(g, role) != c)
            return false;
    return true;
}

} // namespace gui_test
