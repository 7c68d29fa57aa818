#include "settings.h"

#include <QCoreApplication>
#include <QStringList>

const std::vector<QColor> settings::def_colors = {QColor(Qt::green), QColor(Qt::red), QColor(Qt::yellow),
                                                   QColor(Qt::blue)};

settings::settings(QObject* parent)
    : QObject(parent),
      store_(new QSettings(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                           QCoreApplication::applicationName()))
{
}

settings::~settings()
{
    delete store_;
}

QString settings::country() const { return store_->value("country_name").toString(); }
void settings::set_country(QString const& v) { store_->setValue("country_name", v); }

QString settings::dev() const { return store_->value("devstring").toString(); }
void settings::set_dev(QString const& v) { store_->setValue("devstring", v); }

unsigned short settings::profile() const
{
    // "proto" is the key older versions wrote.
    const unsigned proto = store_->value("proto").toUInt();
    return static_cast<unsigned short>(store_->value("profile", proto).toUInt());
}
void settings::set_profile(unsigned short const& v) { store_->setValue("profile", static_cast<int>(v)); }

QByteArray settings::geometry() const { return store_->value("geomentry").toByteArray(); }
void settings::set_geometry(QByteArray const& v) { store_->setValue("geomentry", v); }

QByteArray settings::state() const { return store_->value("state").toByteArray(); }
void settings::set_state(QByteArray const& v) { store_->setValue("state", v); }

int settings::updatetime() const { return store_->value("updatetime", 2).toInt(); }
void settings::set_updatetime(int const& v) { store_->setValue("updatetime", v); }

int settings::busytime() const { return store_->value("busytime", 10).toInt(); }
void settings::set_busytime(int const& v) { store_->setValue("busytime", v); }

QString settings::pid() const { return store_->value("pid", QStringLiteral("88aa")).toString(); }
void settings::set_pid(QString const& v) { store_->setValue("pid", v); }

QString settings::vid() const { return store_->value("vid", QStringLiteral("10c4")).toString(); }
void settings::set_vid(QString const& v) { store_->setValue("vid", v); }

std::vector<QColor> settings::colors() const
{
    const QStringList names = store_->value("colors").toStringList();
    if (names.isEmpty())
        return def_colors;
    std::vector<QColor> result;
    result.reserve(names.size());
    for (const QString& n : names)
        result.push_back(QColor(n));
    return result;
}

void settings::set_colors(std::vector<QColor> const& v)
{
    QStringList names;
    for (const QColor& c : v)
        names << c.name();
    store_->setValue("colors", names);
}
