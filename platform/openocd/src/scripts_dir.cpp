#include "scripts_dir.h"

#include "file_io.h"
#include "sim_error.h"

#include <climits>
#include <cstdlib>

#include <unistd.h>

namespace {

std::string resolve(const std::string &path)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return {};
    return buffer;
}

}  // namespace

ScriptsDir::ScriptsDir(const std::string &exeDir)
    : path_(exeDir + "/../share/openocd/scripts"), resolvedRoot_(resolve(path_))
{
}

bool ScriptsDir::inside(const std::string &resolved) const
{
    return !resolvedRoot_.empty() && resolved.size() > resolvedRoot_.size() &&
           resolved.compare(0, resolvedRoot_.size(), resolvedRoot_) == 0 && resolved[resolvedRoot_.size()] == '/';
}

std::string ScriptsDir::find(const std::string &name) const
{
    const std::string candidate = resolve(path_ + "/" + name);
    if (name.empty() || name.front() == '/' || candidate.empty() || !inside(candidate) || !isRegularFile(candidate)) {
        std::string why = "can't find " + name;
        if (!candidate.empty() && isDirectory(candidate))
            why += " (a folder, not a script: the command names no family script, as happens for a part outside "
                   "the xc3, xc6 and xc7 families)";
        throw SimError(why + "; the scripts of this simulator are in " + shownPath());
    }
    return candidate;
}

std::string ScriptsDir::checkedScript(const std::string &path) const
{
    const std::string candidate = resolve(path);
    if (candidate.empty() || !inside(candidate) || !isRegularFile(candidate))
        throw SimError("couldn't source " + path + ": only the scripts in " + shownPath() +
                       " can be sourced by this simulator (use [find <name>])");
    return candidate;
}

std::string ScriptsDir::shownPath() const
{
    return resolvedRoot_.empty() ? path_ : resolvedRoot_;
}

std::string executableDir()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return ".";
    std::string exe(buffer, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}
