// Helper for the store tests: a second program writing to the same store.
//   registry_writer KEYPATH PREFIX COUNT
// writes the values PREFIX0 .. PREFIX<COUNT-1> (text "PREFIX<i>") one call at a time.
#include "support/StdRegistry.h"

#include <QString>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const QString key = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        const QString name = prefix + QString::number(i);
        StdRegistry::SaveRegString(1, key, name, name);
    }
    return 0;
}
