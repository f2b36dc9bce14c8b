#include "tcl_commands.h"

#include "file_io.h"
#include "flash_bank.h"
#include "flash_programming.h"
#include "fpga_programming.h"
#include "session.h"
#include "sim_error.h"
#include "sim_version.h"

#include <jim.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace {

Session &sessionOf(Jim_Interp *interp)
{
    return *static_cast<Session *>(Jim_CmdPrivData(interp));
}

std::string text(Jim_Obj *obj)
{
    int length = 0;
    const char *chars = Jim_GetString(obj, &length);
    return std::string(chars, static_cast<std::size_t>(length));
}

long long integer(Jim_Interp *interp, Jim_Obj *obj, const std::string &what)
{
    jim_wide value = 0;
    if (Jim_GetWide(interp, obj, &value) != JIM_OK)
        throw SimError(what + ": expected an integer but got \"" + text(obj) + "\"");
    return value;
}

void requireArgs(int argc, int wanted, const std::string &usage)
{
    if (argc != wanted)
        throw SimError("wrong # args: should be \"" + usage + "\"");
}

// Runs a command body and turns a thrown refusal into the Tcl error result.
template <typename Body>
int guarded(Jim_Interp *interp, Body body)
{
    try {
        body();
        return JIM_OK;
    } catch (const std::exception &e) {
        Jim_SetResultString(interp, e.what(), -1);
        return JIM_ERR;
    }
}

void setResult(Jim_Interp *interp, const std::string &value)
{
    Jim_SetResultString(interp, value.c_str(), static_cast<int>(value.size()));
}

int adapterCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        Session &session = sessionOf(interp);
        const std::string sub = argc > 1 ? text(argv[1]) : "";
        if (sub == "driver") {
            requireArgs(argc, 3, "adapter driver <name>");
            session.selectDriver(text(argv[2]));
        } else if (sub == "speed") {
            if (argc == 2) {
                setResult(interp, std::to_string(session.speedKhz()));
                return;
            }
            requireArgs(argc, 3, "adapter speed ?kHz?");
            session.setSpeed(static_cast<long>(integer(interp, argv[2], "adapter speed")));
        } else if (sub == "usb" && argc > 2 && text(argv[2]) == "location") {
            requireArgs(argc, 4, "adapter usb location <bus>-<port>[.<port>]...");
            session.setUsbLocation(text(argv[3]));
        } else if (sub == "serial") {
            requireArgs(argc, 3, "adapter serial <serial>");
            session.setSerial(text(argv[2]));
        } else {
            throw SimError("adapter: unknown subcommand \"" + sub +
                           "\" (this simulator has driver, speed, usb location and serial)");
        }
    });
}

int qb562Command(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        requireArgs(argc, 4, "qb562 vid_pid <vid> <pid>");
        if (text(argv[1]) != "vid_pid")
            throw SimError("qb562: unknown subcommand \"" + text(argv[1]) + "\" (this simulator has vid_pid)");
        sessionOf(interp).setVidPid(static_cast<long>(integer(interp, argv[2], "qb562 vid_pid")),
                                    static_cast<long>(integer(interp, argv[3], "qb562 vid_pid")));
    });
}

int findCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        requireArgs(argc, 2, "find <name>");
        setResult(interp, sessionOf(interp).scripts().find(text(argv[1])));
    });
}

int sourceCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    std::string path;
    std::string script;
    const int checked = guarded(interp, [&] {
        requireArgs(argc, 2, "source <path>");
        path = sessionOf(interp).scripts().checkedScript(text(argv[1]));
        if (!readTextFile(path, script))
            throw SimError("couldn't read " + path);
    });
    if (checked != JIM_OK)
        return checked;
    const int rc = Jim_EvalSource(interp, path.c_str(), 1, script.c_str());
    return rc == JIM_RETURN ? JIM_OK : rc;
}

int initCommand(Jim_Interp *interp, int argc, Jim_Obj *const *)
{
    return guarded(interp, [&] {
        requireArgs(argc, 1, "init");
        sessionOf(interp).init();
    });
}

int exitCommand(Jim_Interp *interp, int argc, Jim_Obj *const *)
{
    const int rc = guarded(interp, [&] {
        requireArgs(argc, 1, "exit");
        sessionOf(interp).reachExit();
    });
    return rc == JIM_OK ? JIM_EXIT : rc;
}

int versionCommand(Jim_Interp *interp, int, Jim_Obj *const *)
{
    setResult(interp, kSimulatorBanner);
    return JIM_OK;
}

int jtagCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        Session &session = sessionOf(interp);
        const std::string sub = argc > 1 ? text(argv[1]) : "";
        if (sub == "names") {
            std::string names;
            for (const Tap &tap : session.taps())
                names += (names.empty() ? "" : " ") + tap.dottedName();
            setResult(interp, names);
            return;
        }
        if (sub != "newtap")
            throw SimError("jtag: unknown subcommand \"" + sub + "\" (this simulator has newtap and names)");
        if (argc < 4)
            throw SimError("wrong # args: should be \"jtag newtap <chip> <tap> ?-irlen n? ?-family prefix? "
                           "?-ignore-version? ?-expected-id id?\"");
        Tap tap;
        tap.chip = text(argv[2]);
        tap.name = text(argv[3]);
        for (int i = 4; i < argc; i += 2) {
            const std::string option = text(argv[i]);
            // A flag without a value: the simulated parts are all of stepping 0.
            if (option == "-ignore-version") {
                i -= 1;
                continue;
            }
            if (i + 1 >= argc)
                throw SimError("jtag newtap: option " + option + " needs a value");
            if (option == "-irlen")
                tap.irlen = static_cast<long>(integer(interp, argv[i + 1], "jtag newtap -irlen"));
            else if (option == "-family")
                tap.family = text(argv[i + 1]);
            else if (option == "-expected-id")
                integer(interp, argv[i + 1], "jtag newtap -expected-id");
            else
                throw SimError("jtag newtap: unknown option " + option);
        }
        session.declareTap(tap);
    });
}

int pldCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        if (argc < 2 || text(argv[1]) != "load")
            throw SimError("pld: unknown subcommand (this simulator has \"pld load <device> <file>\")");
        requireArgs(argc, 4, "pld load <device> <file>");
        pldLoad(sessionOf(interp), static_cast<long>(integer(interp, argv[2], "pld load")), text(argv[3]));
    });
}

int jtagspiInitCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        requireArgs(argc, 3, "sim_jtagspi_init <device> <proxy.bit>");
        jtagspiInit(sessionOf(interp), static_cast<long>(integer(interp, argv[1], "jtagspi_init")), text(argv[2]));
    });
}

int jtagspiProgramCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        requireArgs(argc, 3, "sim_jtagspi_program <file> <offset>");
        jtagspiProgram(sessionOf(interp), text(argv[1]), integer(interp, argv[2], "jtagspi_program offset"));
    });
}

int jprogramCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        requireArgs(argc, 2, "sim_jprogram <tap>");
        reloadFromFlash(sessionOf(interp), text(argv[1]));
    });
}

int virtex2Command(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        if (argc < 2 || text(argv[1]) != "read_stat")
            throw SimError("virtex2: unknown subcommand (this simulator has \"virtex2 read_stat <device>\")");
        requireArgs(argc, 3, "virtex2 read_stat <device>");
        const std::uint32_t status =
            statusRegister(sessionOf(interp), static_cast<long>(integer(interp, argv[2], "virtex2 read_stat")));
        char line[64];
        std::snprintf(line, sizeof line, "virtex2 status register: 0x%08x", static_cast<unsigned>(status));
        sessionOf(interp).console().line(line);
    });
}

// The options a flash subcommand takes before its arguments, in any order;
// returns the index of the first argument.
int takeOptions(int argc, Jim_Obj *const *argv, int from, const std::string &option, bool &given)
{
    given = false;
    for (; from < argc; ++from) {
        const std::string word = text(argv[from]);
        if (word == option)
            given = true;
        else if (word != "unlock")  // protection is not modelled: unlocking changes nothing
            break;
    }
    return from;
}

void requireArgRange(int argc, int least, int most, const std::string &usage)
{
    if (argc < least || argc > most)
        throw SimError("wrong # args: should be \"" + usage + "\"");
}

int flashCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        Session &session = sessionOf(interp);
        const std::string sub = argc > 1 ? text(argv[1]) : "";
        const auto number = [&](int i, const std::string &what) { return integer(interp, argv[i], what); };
        const auto bank = [&](const std::string &what) { return static_cast<long>(number(2, what)); };
        if (sub == "verify_bank") {
            requireArgRange(argc, 4, 5, "flash verify_bank <bank> <file> [offset]");
            verifyBank(session, bank("flash verify_bank"), text(argv[3]),
                       argc > 4 ? number(4, "flash verify_bank offset") : 0);
        } else if (sub == "write_bank") {
            requireArgRange(argc, 4, 5, "flash write_bank <bank> <file> [offset]");
            session.endQuietlyIfFaulted();
            writeBank(session, bank("flash write_bank"), text(argv[3]),
                      argc > 4 ? number(4, "flash write_bank offset") : 0);
        } else if (sub == "probe") {
            requireArgs(argc, 3, "flash probe <bank>");
            flashProbe(session, bank("flash probe"));
        } else if (sub == "read_bank") {
            requireArgRange(argc, 4, 6, "flash read_bank <bank> <file> [offset [length]]");
            readBank(session, bank("flash read_bank"), text(argv[3]), argc > 4 ? number(4, "flash read_bank offset") : 0,
                     argc > 5 ? std::optional<long long>(number(5, "flash read_bank length")) : std::nullopt);
        } else if (sub == "write_image") {
            bool erase = false;
            const int first = takeOptions(argc, argv, 2, "erase", erase);
            requireArgRange(argc - first, 1, 3, "flash write_image [erase] [unlock] <file> [offset [type]]");
            if (!erase)
                throw SimError("flash write_image without erase is not simulated: this simulator writes images with "
                               "\"flash write_image erase\"");
            const std::string type = argc - first > 2 ? text(argv[first + 2]) : "bin";
            if (type != "bin")
                throw SimError("flash write_image: image type \"" + type +
                               "\" is not simulated; this simulator writes raw binary images (bin)");
            writeImage(session, text(argv[first]), argc - first > 1 ? number(first + 1, "flash write_image offset") : 0);
        } else if (sub == "erase_address") {
            bool pad = false;
            const int first = takeOptions(argc, argv, 2, "pad", pad);
            requireArgRange(argc - first, 2, 2, "flash erase_address [pad] [unlock] <address> <length>");
            eraseAddress(session, pad, number(first, "flash erase_address address"),
                         number(first + 1, "flash erase_address length"));
        } else if (sub == "erase_sector") {
            requireArgs(argc, 5, "flash erase_sector <bank> <first> <last|\"last\">");
            eraseSectors(session, bank("flash erase_sector"), number(3, "flash erase_sector first"),
                         text(argv[4]) == "last" ? std::nullopt
                                                 : std::optional<long long>(number(4, "flash erase_sector last")));
        } else if (sub == "erase_check") {
            requireArgs(argc, 3, "flash erase_check <bank>");
            eraseCheck(session, bank("flash erase_check"));
        } else if (sub == "banks") {
            requireArgs(argc, 2, "flash banks");
            flashBanks(session);
        } else if (sub == "info") {
            requireArgs(argc, 3, "flash info <bank>");
            flashInfo(session, bank("flash info"));
        } else if (sub == "list") {
            requireArgs(argc, 2, "flash list");
            setResult(interp, flashList(session));
        } else {
            throw SimError("flash: unknown subcommand \"" + sub + "\" (this simulator has banks, info, list, probe, "
                           "read_bank, write_bank, verify_bank, write_image, erase_address, erase_sector and erase_check)");
        }
    });
}

int putsCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        int i = 1;
        bool newline = true;
        if (i < argc - 1 && text(argv[i]) == "-nonewline") {
            newline = false;
            ++i;
        }
        bool toStderr = false;
        if (i < argc - 1 && (text(argv[i]) == "stdout" || text(argv[i]) == "stderr")) {
            toStderr = text(argv[i]) == "stderr";
            ++i;
        }
        requireArgs(argc - i, 1, "puts ?-nonewline? ?stdout|stderr? text");
        const std::string line = text(argv[i]) + (newline ? "\n" : "");
        Console &console = sessionOf(interp).console();
        if (toStderr)
            console.rawError(line);
        else
            console.raw(line);
    });
}

int echoCommand(Jim_Interp *interp, int argc, Jim_Obj *const *argv)
{
    return guarded(interp, [&] {
        const bool newline = !(argc == 3 && text(argv[1]) == "-n");
        requireArgs(argc, newline ? 2 : 3, "echo ?-n? text");
        sessionOf(interp).console().raw(text(argv[argc - 1]) + (newline ? "\n" : ""));
    });
}

}  // namespace

void registerSimCommands(Jim_Interp *interp, Session &session)
{
    struct Entry {
        const char *name;
        Jim_CmdProc *proc;
    };
    static constexpr Entry kCommands[] = {
        {"adapter", adapterCommand},
        {"qb562", qb562Command},
        {"find", findCommand},
        {"source", sourceCommand},
        {"init", initCommand},
        {"exit", exitCommand},
        {"version", versionCommand},
        {"jtag", jtagCommand},
        {"pld", pldCommand},
        {"sim_jtagspi_init", jtagspiInitCommand},
        {"sim_jtagspi_program", jtagspiProgramCommand},
        {"sim_jprogram", jprogramCommand},
        {"virtex2", virtex2Command},
        {"flash", flashCommand},
        {"puts", putsCommand},
        {"echo", echoCommand},
    };
    for (const Entry &entry : kCommands)
        Jim_CreateCommand(interp, entry.name, entry.proc, &session, nullptr);
}
