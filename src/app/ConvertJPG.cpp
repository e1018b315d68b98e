#include "ConvertJPG.h"

namespace batch {

void ConvertJPG(const QString&, const QString&, std::int32_t, const QString&) {}

} // namespace batch
