#include "gui/factory.h"

#include "gui/combobox.h"
#include "gui/floatbox.h"
#include "gui/lineedit/lineedit.h"
#include "gui/pushbutton.h"
#include "gui/spinbox.h"
#include "services/widgets/boxes.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

namespace {

// Profile texts are Latin-1; without a translation Qt would read them as
// UTF-8.
QString translated(const char* context, const std::string& text)
{
    const QString t = QCoreApplication::translate(context, text.c_str());
    return t == QString::fromUtf8(text.c_str()) ? QString::fromLatin1(text.c_str()) : t;
}

QString profile_name(const device& dev)
{
    try {
        return QString::fromLatin1(profiles::get_profile(dev.id()).name.c_str());
    } catch (const std::exception&) {
        // The box is about the element; an unknown profile only costs its name.
        return QString();
    }
}

// Decimal places of a scale: 0.1 gives 1, 0.25 gives 1, 0.5 and above none.
int decimals_of(float scale)
{
    if (!(scale > 0.0f) || !std::isfinite(scale))
        return 0;
    return static_cast<int>(std::lround(std::log10(1.0 / static_cast<double>(scale))));
}

} // namespace

const std::map<profiles::item_gui, gui_creator>& factory()
{
    static const std::map<profiles::item_gui, gui_creator> table{
        {profiles::label, create_label},   {profiles::spin, create_spin},
        {profiles::fbox, create_fbox},     {profiles::combo, create_combo},
        {profiles::button, create_button}, {profiles::string, create_string},
    };
    return table;
}

QWidget* create_panel(QWidget* panel, const std::vector<profiles::item>& items, std::shared_ptr<device> dev)
{
    auto* layout = new QVBoxLayout;
    panel->setLayout(layout);
    for (const profiles::item& item : items) {
        try {
            layout->addWidget(create_gui(item, dev));
        } catch (const std::exception& e) {
            auto* placeholder = new QLabel(QStringLiteral("ivalid element"));
            placeholder->setAlignment(Qt::AlignHCenter);
            layout->addWidget(placeholder);
            const QString text = QCoreApplication::translate(
                                     "QWidget", "Error:\n  %1\nprofile: '%2'\n  item: '%3'\n  element: '%4'")
                                     .arg(QString::fromLocal8Bit(e.what()), profile_name(*dev),
                                          QString::number(item.address), QString::number(static_cast<int>(item.gui)));
            invoke_msg(panel, QMessageBox::Critical, QCoreApplication::translate("QWidget", "Can't create element"),
                       text, QMessageBox::Ok);
        }
    }
    layout->addStretch(0);
    layout->setSpacing(5);
    return panel;
}

QWidget* create_gui(const profiles::item& item, std::shared_ptr<device> dev)
{
    const auto& table = factory();
    auto found = table.find(item.gui);
    if (found == table.end())
        throw std::runtime_error("can't create unregistered gui element");
    return found->second(item, std::move(dev));
}

QWidget* create_label(const profiles::item& item, std::shared_ptr<device>)
{
    auto* label = new QLabel;
    QFont font = label->font();
    font.setWeight(75);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setText(QStringLiteral("%1").arg(translated("profile", item.name)));
    return label;
}

QWidget* wrap_with_label(QWidget* control, const profiles::item& item)
{
    auto* frame = new QWidget;
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(new QLabel(QStringLiteral("%1:").arg(translated("profile", item.name))));
    layout->addWidget(control);
    return frame;
}

spinbox* create_spinbox(const profiles::item& item, std::shared_ptr<device> dev)
{
    auto* box = new spinbox(item, std::move(dev));
    QObject::connect(box, QOverload<int>::of(&QSpinBox::valueChanged), box, &spinbox::value_changed);
    QObject::connect(box, &QSpinBox::editingFinished, box, &spinbox::finished);
    return box;
}

doublespinbox* create_spinbox_d(const profiles::item& item, std::shared_ptr<device> dev, int decimals)
{
    auto* box = new doublespinbox(item, std::move(dev));
    box->setDecimals(decimals);
    box->setSingleStep(item.scale);
    QObject::connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), box, &doublespinbox::value_changed);
    QObject::connect(box, &QDoubleSpinBox::editingFinished, box, &doublespinbox::finished);
    return box;
}

QWidget* create_spin(const profiles::item& item, std::shared_ptr<device> dev)
{
    const int decimals = decimals_of(item.scale);
    QAbstractSpinBox* control = nullptr;
    if (decimals > 0)
        control = create_spinbox_d(item, std::move(dev), decimals);
    else
        control = create_spinbox(item, std::move(dev));
    control->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return wrap_with_label(control, item);
}

QWidget* create_fbox(const profiles::item& item, std::shared_ptr<device> dev)
{
    return wrap_with_label(new floatbox(item, std::move(dev)), item);
}

QWidget* create_combo(const profiles::item& item, std::shared_ptr<device> dev)
{
    return wrap_with_label(new combobox(item, std::move(dev)), item);
}

QWidget* create_string(const profiles::item& item, std::shared_ptr<device> dev)
{
    return wrap_with_label(new lineedit(item, std::move(dev)), item);
}

QWidget* create_button(const profiles::item& item, std::shared_ptr<device> dev)
{
    auto* button = new pushbutton(item, std::move(dev));
    const std::string& caption = item.map.empty() ? item.name : item.map.front().second;
    button->setText(translated("profiles", caption));
    QObject::connect(button, &QPushButton::clicked, button, &pushbutton::clicked);
    return wrap_with_label(button, item);
}
