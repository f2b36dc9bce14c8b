#include "scripts_dir.h"

#include "file_io.h"
#include "native_file.h"
#include "sim_error.h"

ScriptsDir::ScriptsDir(const std::string &exeDir)
    : path_(exeDir + "/../share/openocd/scripts"), resolvedRoot_(resolvedPath(path_))
{
}

bool ScriptsDir::inside(const std::string &resolved) const
{
    return !resolvedRoot_.empty() && resolved.size() > resolvedRoot_.size() &&
           resolved.compare(0, resolvedRoot_.size(), resolvedRoot_) == 0 && resolved[resolvedRoot_.size()] == '/';
}

std::string ScriptsDir::find(const std::string &name) const
{
    const std::string candidate = resolvedPath(path_ + "/" + name);
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
    const std::string candidate = resolvedPath(path);
    if (candidate.empty() || !inside(candidate) || !isRegularFile(candidate))
        throw SimError("couldn't source " + path + ": only the scripts in " + shownPath() +
                       " can be sourced by this simulator (use [find <name>])");
    return candidate;
}

std::string ScriptsDir::shownPath() const
{
    return resolvedRoot_.empty() ? path_ : resolvedRoot_;
}
