#ifndef FELDMOOR_OPENOCD_TCL_SANDBOX_H
#define FELDMOOR_OPENOCD_TCL_SANDBOX_H

struct Jim_Interp;

// A Jim Tcl interpreter with the core language only. The command texts carry
// paths the user typed, so nothing in it may run a program or reach a file:
// every core command that is not on a vetted list is deleted, and no
// extension is loaded. The caller owns the result (Jim_FreeInterp).
// Throws std::runtime_error when the command list cannot be read.
Jim_Interp *createSandboxedInterp();

#endif
