// Helper for the store tests: a second program writing to the same store.
//   registry_writer KEYPATH PREFIX COUNT
// writes the values PREFIX0 .. PREFIX<COUNT-1> (text "PREFIX<i>") one call at a time;
//   registry_writer --grow KEYPATH NAME COUNT
// writes the value NAME COUNT times, one character longer each time ("xx", "xxx", ...).
#include "support/StdRegistry.h"

#include <QString>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const bool grow = argc == 5 && std::strcmp(argv[1], "--grow") == 0;
    if (argc != 4 && !grow)
        return 2;
    char** args = argv + (grow ? 2 : 1);
    const QString key = QString::fromLocal8Bit(args[0]);
    const QString prefix = QString::fromLocal8Bit(args[1]);
    const int count = std::atoi(args[2]);
    for (int i = 0; i < count; ++i) {
        if (grow) {
            StdRegistry::SaveRegString(1, key, prefix, QString(i + 2, u'x'));
        } else {
            const QString name = prefix + QString::number(i);
            StdRegistry::SaveRegString(1, key, name, name);
        }
    }
    return 0;
}
