#pragma once

#include <QStringList>

// Loads the profile plug-ins found in the given directories (by default the
// current directory and "./profiles"); their queued profiles join the
// registry at the next profiles::init_profiles().
void load_profiles(const QStringList& dirs = QStringList() << QString() << QStringLiteral("./profiles"));
