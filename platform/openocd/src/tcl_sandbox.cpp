#include "tcl_sandbox.h"

#include <jim.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Pure language commands. Deliberately absent: exec, open, file, glob, load,
// package, source, readdir, os.*, pid, signal, env (leaks the environment),
// exit and puts (the session provides its own), and the reference and trace
// commands, which nothing here needs.
constexpr std::string_view kSafe[] = {
    "*",       "+",       "-",       "/",      "alias",   "append",  "apply",   "break",    "catch",
    "concat",  "continue", "dict",   "error",  "eval",    "exists",  "expr",    "for",      "foreach",
    "format",  "global",  "if",      "incr",   "info",    "join",    "lappend", "lassign",  "lindex",
    "linsert", "list",    "llength", "lmap",   "local",   "loop",    "lrange",  "lrepeat",  "lreplace",
    "lreverse", "lsearch", "lset",   "lsort",  "proc",    "rand",    "range",   "rename",   "return",
    "scan",    "set",     "split",   "string", "subst",   "switch",  "tailcall", "try",     "unset",
    "upcall",  "uplevel", "upvar",   "while"};

bool isSafe(std::string_view name)
{
    return std::find(std::begin(kSafe), std::end(kSafe), name) != std::end(kSafe);
}

}  // namespace

Jim_Interp *createSandboxedInterp()
{
    Jim_Interp *interp = Jim_CreateInterp();
    Jim_RegisterCoreCommands(interp);

    // Without the list nothing can be vetted, so no interpreter at all.
    if (Jim_Eval(interp, "info commands") != JIM_OK) {
        Jim_FreeInterp(interp);
        throw std::runtime_error("the Tcl interpreter cannot list its commands");
    }
    std::vector<std::string> unsafe;
    {
        Jim_Obj *names = Jim_GetResult(interp);
        Jim_IncrRefCount(names);
        const int count = Jim_ListLength(interp, names);
        for (int i = 0; i < count; ++i) {
            const std::string name = Jim_String(Jim_ListGetIndex(interp, names, i));
            if (!isSafe(name))
                unsafe.push_back(name);
        }
        Jim_DecrRefCount(interp, names);
    }
    for (const std::string &name : unsafe) {
        Jim_Obj *nameObj = Jim_NewStringObj(interp, name.c_str(), static_cast<int>(name.size()));
        Jim_IncrRefCount(nameObj);
        Jim_DeleteCommand(interp, nameObj);
        Jim_DecrRefCount(interp, nameObj);
    }
    Jim_SetEmptyResult(interp);
    return interp;
}
