#pragma once
// Reading and writing whole files in tests.

#include <QByteArray>
#include <QString>

namespace testfiles {

// The whole file; empty when it cannot be read.
QByteArray ReadFile(const QString& path);
// Writes bytes to path, creating the folders above it; false on failure.
bool WriteFile(const QString& path, const QByteArray& bytes);

} // namespace testfiles
