#ifndef FELDMOOR_OPENOCD_TCL_COMMANDS_H
#define FELDMOOR_OPENOCD_TCL_COMMANDS_H

struct Jim_Interp;
class Session;

// The OpenOCD commands the window and the family scripts use, bound to
// `session`, which must outlive the interpreter:
//   adapter driver <name> | adapter speed ?kHz?    qb562 vid_pid <vid> <pid>
//   find <name>    source <path>    init    exit    version
//   jtag newtap <chip> <tap> ?-irlen n? ?-family prefix? ?-expected-id id?
//   jtag names     pld load <device> <file>
//   puts ?-nonewline? ?stdout|stderr? text    echo ?-n? text
// and the simulator's primitives behind the scripts' procedures:
//   sim_jtagspi_init <device> <proxy.bit>   sim_jtagspi_program <file> <offset>
//   sim_jprogram <tap>
void registerSimCommands(Jim_Interp *interp, Session &session);

#endif
