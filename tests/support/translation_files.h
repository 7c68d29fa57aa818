#pragma once
// Translation files made on the spot, for tests that look for languages.

#include <QString>

namespace test_support {

// Writes a one-message translation source into `dir` (made when missing)
// and compiles it with lrelease into `dir`/`base`.qm; false on failure.
bool make_qm(const QString& dir, const QString& base, const QString& context, const QString& source,
             const QString& translation);

} // namespace test_support
