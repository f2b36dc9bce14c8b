#include "stderrtofile.h"

#include <fcntl.h>
#include <unistd.h>

StderrToFile::StderrToFile(const std::string &path)
{
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0)
        return;
    saved = ::dup(STDERR_FILENO);
    if (saved >= 0 && ::dup2(file, STDERR_FILENO) < 0) {
        ::close(saved);
        saved = -1;
    }
    ::close(file);
}

StderrToFile::~StderrToFile()
{
    if (saved < 0)
        return;
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
}
