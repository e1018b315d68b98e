#pragma once
// A source folder that exists but cannot be listed would otherwise be taken for a picture
// (the run checks folders by listing them) and end in a failed single-file shrink. The
// window asks first and names the folder and the reason instead.

#include <QString>

namespace app {

// Why path, an existing folder, cannot be listed, in German words ("keine Berechtigung");
// empty when it can be listed or is no folder at all.
QString UnreadableFolderReason(const QString& path);

// The box text for such a folder.
QString UnreadableFolderText(const QString& path, const QString& reason);

} // namespace app
