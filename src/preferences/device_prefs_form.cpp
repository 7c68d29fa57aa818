#include "preferences/device_prefs_form.h"

#include "ui_device_prefs_form.h"

#include "device/device.h"
#include "modbus/devices.h"
#include "preferences/filling_guard.h"
#include "services/local8.h"
#include "services/settings.h"
#include "services/tools.h"

#include <QIcon>
#include <QMessageBox>

#include <memory>
#include <stdexcept>

namespace {

// Identity texts cross between the device list, the stored "devstring" and
// the main window's connect in one encoding, the local 8-bit one.
QString identity_text(const modbus::connection::descriptor& d)
{
    return QString::fromLocal8Bit(modbus::to_string(d).c_str());
}

} // namespace

device_prefs_form::device_prefs_form(QWidget* parent)
    : preferences_widget(parent, tr("Device"), Qt::WindowFlags()), ui_(nullptr), filling_(false)
{
    ui_ = new Ui_device_prefs_form;
    set_icon(QIcon(QStringLiteral("icons:device.png")));
    set_header(tr("Device settings"));
    ui_->setupUi(this);

    ui_->device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    connect(ui_->device, SIGNAL(currentIndexChanged(int)), this, SLOT(int_changed()));
    connect(ui_->update_interval, SIGNAL(valueChanged(int)), this, SLOT(int_changed()));
    connect(ui_->busy_interval, SIGNAL(valueChanged(int)), this, SLOT(int_changed()));
    connect(ui_->pid, SIGNAL(textChanged(QString)), this, SLOT(int_changed()));
    connect(ui_->vid, SIGNAL(textChanged(QString)), this, SLOT(int_changed()));

    tools::connect(ui_->port_update, SIGNAL(clicked(bool)), [this] { update_devices(); });
    tools::connect(ui_->port_check, SIGNAL(clicked(bool)), [this] { check_device(); });

    ui_->pid_l->hide();
    ui_->vid_l->hide();
    ui_->pid->hide();
    ui_->vid->hide();
}

device_prefs_form::~device_prefs_form()
{
    delete ui_;
}

void device_prefs_form::int_changed()
{
    const int index = ui_->device->currentIndex();
    const int type = index < 0 ? 0 : ui_->device->itemData(index, Qt::UserRole).toInt();
    const bool autodetect = type == modbus::autodetect_link;
    ui_->pid_l->setEnabled(autodetect);
    ui_->vid_l->setEnabled(autodetect);
    ui_->pid->setEnabled(autodetect);
    ui_->vid->setEnabled(autodetect);
    if (!filling_)
        emit changed();
}

void device_prefs_form::update_preferences()
{
    filling_guard filling(filling_);

    // The handler, not a click: a click on a disabled button does nothing,
    // and the dialog may fill a page while it is disabled.
    update_devices();

    const QString dev = settings().dev();
    ui_->device->setCurrentIndex(ui_->device->findText(dev, Qt::MatchExactly | Qt::MatchCaseSensitive));

    ui_->update_interval->setValue(settings().updatetime());
    ui_->busy_interval->setValue(settings().busytime());

    ui_->pid->setText(settings().pid());
    ui_->vid->setText(settings().vid());
}

void device_prefs_form::accept()
{
    // No current entry means the stored device is not attached right now:
    // an Ok given for another field must not wipe the choice.
    if (ui_->device->currentIndex() >= 0)
        settings().set_dev(ui_->device->currentText());
    settings().set_updatetime(ui_->update_interval->value());
    settings().set_busytime(ui_->busy_interval->value());
    settings().set_pid(ui_->pid->text());
    settings().set_vid(ui_->vid->text());
}

void device_prefs_form::reject()
{
    update_preferences();
}

void device_prefs_form::reset_defaults()
{
    settings().set_dev(QString());
    settings().set_profile(0);
    settings().set_updatetime(2);
    settings().set_busytime(10);
    update_preferences();
}

void device_prefs_form::update_devices()
{
    ui_->device->clear();
    for (const modbus::connection::descriptor& d : modbus::devices())
        ui_->device->addItem(identity_text(d), QVariant(d.type));
}

void device_prefs_form::check_device()
{
    QString failure;
    try {
        const modbus::connection::descriptor desc = modbus::device(local8(ui_->device->currentText()));
        modbus::connection_p link = std::make_shared<modbus::connection>(desc, 3);
        const device dev(link);
        // The link stays open while the box shows.
        QMessageBox::information(this, tr("Device finded"),
                                 tr("Found device with HW: %1; FW: %2; Profile: %3")
                                     .arg(dev.hw())
                                     .arg(dev.fw())
                                     .arg(dev.id()),
                                 QMessageBox::Ok);
        return;
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    // The device and the link are gone before the box shows.
    QMessageBox::critical(this, tr("Error when opening device"), tr("Error: %1").arg(failure), QMessageBox::Ok);
}
