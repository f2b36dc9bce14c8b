#include "engine/lockfolder.h"

#include <QDir>

#include <windows.h>
#include <shlobj.h>

namespace engine {

QString machineLockFolder()
{
    // Not %TEMP%, which is each user's own: the folder for all users'
    // program data, as the system names it.
    wchar_t common[MAX_PATH] = {};
    QString base = QStringLiteral("C:/ProgramData");
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)))
        base = QDir::fromNativeSeparators(QString::fromWCharArray(common));
    const QString folder = base + QLatin1String("/Feldmoor/locks");
    QDir().mkpath(folder);
    return folder;
}

} // namespace engine
