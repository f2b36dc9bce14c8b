#include "engine/lockfolder.h"

namespace engine {

QString machineLockFolder()
{
    // Not $TMPDIR: that is each user's and each shell's own. /tmp is there
    // on every system and every user may create files in it.
    return QStringLiteral("/tmp");
}

} // namespace engine
