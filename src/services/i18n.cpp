#include "i18n.h"

#include "services/settings.h"

#include "dorvane/syslog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

cl::syslog::module ___syslog("main");

std::shared_ptr<QTranslator> first_translator(QString const& file_name, QStringList const& paths)
{
    auto translator = std::make_shared<QTranslator>();
    for (const QString& dir : paths) {
        translator->load(file_name, dir);
        if (!translator->isEmpty())
            break;
    }
    return translator;
}

} // namespace

QStringList trans_path()
{
    return QStringList() << QStringLiteral("./translations") << QStringLiteral("./translations/system")
                         << QLibraryInfo::location(QLibraryInfo::TranslationsPath);
}

QString country_code_from_qm(QString const& file_name)
{
    return file_name.mid(file_name.length() - 5, 2);
}

QString country_name_from_code(QString const& code)
{
    return QLocale::languageToString(QLocale(code).language());
}

std::set<std::pair<QString, QString>> find_countries(QStringList const& paths)
{
    std::set<std::pair<QString, QString>> countries;
    countries.insert(std::make_pair(QStringLiteral("English"), QString()));
    const QStringList filter(QStringLiteral("qt_[a-zA-Z0-9][a-zA-Z0-9].qm"));
    for (const QString& path : paths) {
        const QStringList files = QDir(path).entryList(filter, QDir::Files, QDir::Name);
        for (const QString& file : files) {
            const QString code = country_code_from_qm(file);
            countries.insert(std::make_pair(country_name_from_code(code), code));
        }
    }
    return countries;
}

std::shared_ptr<QTranslator> system_translator(QString const& code, QStringList const& paths)
{
    return first_translator(QStringLiteral("qt_") + code, paths);
}

std::shared_ptr<QTranslator> local_translator(QString const& code, QStringList const& paths)
{
    return first_translator(QStringLiteral("velmora_") + code, paths);
}

void load_translations(QApplication*)
{
    const QStringList paths = trans_path();
    const QString code = settings().country();

    static const std::shared_ptr<QTranslator> qt_translator = system_translator(code, paths);
    const QString qt_line = qt_translator->isEmpty() ? QStringLiteral("Qt translation \"%1\" failed to load")
                                                     : QStringLiteral("Qt translation \"%1\" loaded");
    VLOG(cl::syslog::dbg) << qt_line.arg(code).toStdString();
    QCoreApplication::installTranslator(qt_translator.get());

    static const std::shared_ptr<QTranslator> app_translator = local_translator(code, paths);
    const QString app_line = app_translator->isEmpty()
                                 ? QStringLiteral("Failed to load application translation \"%1\"")
                                 : QStringLiteral("Application translation \"%1\" loaded");
    VLOG(cl::syslog::dbg) << app_line.arg(code).toStdString();
    QCoreApplication::installTranslator(app_translator.get());
}
