#include "engine/statefolder.h"

#include <QDir>
#include <QFile>

#include <windows.h>
#include <shlobj.h>

namespace engine {

namespace {

QString systemError(DWORD code)
{
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString message = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return message;
}

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

QString stateFolder(QString &error)
{
    QString base = qEnvironmentVariable("LOCALAPPDATA");
    if (base.isEmpty()) {
        wchar_t local[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
            base = QString::fromWCharArray(local);
    }
    if (base.isEmpty()) {
        error = QStringLiteral("the system names no folder for this user's local data (%LOCALAPPDATA%)");
        return QString();
    }
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(base) + QLatin1String("/feldmoor"));
    if (!QDir().mkpath(folder)) {
        error = QLatin1String("can't make the folder ") + QDir::toNativeSeparators(folder);
        return QString();
    }
    return folder;
}

bool writeDurably(const QString &path, const QByteArray &bytes, QString &error)
{
    const QString temporary = path + QLatin1String(".new");
    const std::wstring from = nativePath(temporary);
    const HANDLE file = CreateFileW(from.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemError(GetLastError());
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr) &&
                    written == DWORD(bytes.size()) && FlushFileBuffers(file);
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok) {
        error = systemError(code);
        DeleteFileW(from.c_str());
        return false;
    }
    // NTFS journals the rename itself; a folder can't be flushed on its own.
    const std::wstring to = nativePath(path);
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = systemError(GetLastError());
        DeleteFileW(from.c_str());
        return false;
    }
    return true;
}

} // namespace engine
