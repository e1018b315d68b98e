#include "FileListScan.h"

namespace batch {

void Scan(QStringList&, const QString&, bool) {}

} // namespace batch
