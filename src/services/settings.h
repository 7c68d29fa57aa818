#pragma once
// Typed access to the settings kept between runs. Make one object per
// access and let it go: nothing is cached, and a write reaches the store
// when the object is destroyed.

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QSettings>
#include <QString>

#include <vector>

class settings : public QObject {
    Q_OBJECT
public:
    explicit settings(QObject* parent = nullptr);
    ~settings() override;

    QString country() const;
    void set_country(QString const& v);

    QString dev() const;
    void set_dev(QString const& v);

    unsigned short profile() const;
    void set_profile(unsigned short const& v);

    QByteArray geometry() const;
    void set_geometry(QByteArray const& v);

    QByteArray state() const;
    void set_state(QByteArray const& v);

    int updatetime() const;
    void set_updatetime(int const& v);

    int busytime() const;
    void set_busytime(int const& v);

    QString pid() const;
    void set_pid(QString const& v);

    QString vid() const;
    void set_vid(QString const& v);

    std::vector<QColor> colors() const;
    void set_colors(std::vector<QColor> const& v);

    static const std::vector<QColor> def_colors;

private:
    QSettings* store_;
};
