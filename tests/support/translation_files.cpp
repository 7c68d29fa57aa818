#include "translation_files.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace test_support {

bool make_qm(const QString& dir, const QString& base, const QString& context, const QString& source,
             const QString& translation)
{
    if (!QDir().mkpath(dir))
        return false;
    const QString ts = dir + "/" + base + ".ts";
    QFile f(ts);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                           "<TS version=\"2.1\"><context><name>%1</name><message><source>%2</source>"
                           "<translation>%3</translation></message></context></TS>\n")
                .arg(context, source, translation)
                .toUtf8());
    f.close();
    QProcess lrelease;
    lrelease.start(QStringLiteral(VELMORA_LRELEASE),
                   {QStringLiteral("-silent"), ts, QStringLiteral("-qm"), dir + "/" + base + ".qm"});
    const bool ok = lrelease.waitForFinished(30000) && lrelease.exitStatus() == QProcess::NormalExit
                    && lrelease.exitCode() == 0;
    QFile::remove(ts);
    return ok && QFile::exists(dir + "/" + base + ".qm");
}

} // namespace test_support
