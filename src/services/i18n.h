#pragma once
// Qt's and the program's translations, and the languages they exist for.

#include <QString>
#include <QStringList>

#include <memory>
#include <set>
#include <utility>

class QApplication;
class QTranslator;

// Where translation files are looked for, in order.
QStringList trans_path();

// (language name, language code) of every Qt translation found in `paths`,
// with English (empty code) always present.
std::set<std::pair<QString, QString>> find_countries(QStringList const& paths);

// Translators for `code`, loaded from the first directory of `paths` that
// has one; empty when none has.
std::shared_ptr<QTranslator> system_translator(QString const& code, QStringList const& paths);
std::shared_ptr<QTranslator> local_translator(QString const& code, QStringList const& paths);

// Installs Qt's and the program's translations for the stored language.
void load_translations(QApplication* app);

QString country_code_from_qm(QString const& file_name);
QString country_name_from_code(QString const& code);
