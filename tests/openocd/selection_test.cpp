// Picking one board among several on a bus with OpenOCD's adapter selection,
// and two runs on two boards at once.

#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

// A bus with xc7a35t boards at adapter0 (default location 1-1, no serial)
// and at adapter2, which says where it sits and its serial.
struct TwoBoards {
    SimBoard first{"xc7a35t", 0};
    std::string second = first.bus() + "/adapter2";

    TwoBoards()
    {
        makeDir(second);
        writeText(second + "/part", "xc7a35t\n");
        writeText(second + "/usb-location", "3-1.4\n");
        writeText(second + "/serial", " FM-0002 \r\n");
    }
};

RunResult run(const SimPaths &paths, const std::string &bus, std::vector<std::string> args,
              const std::vector<std::string> &before = {}, const std::string &timeScale = "0")
{
    RunOptions options;
    for (auto at = before.rbegin(); at != before.rend(); ++at)
        args.insert(args.begin(), {"-c", *at});
    options.args = args;
    options.env = simEnv(bus);
    options.env["QB562_SIM_TIME_SCALE"] = timeScale;
    return runProgram(paths.openocd, options);
}

bool holds(const std::string &flashPath, const std::vector<std::uint8_t> &image)
{
    const auto flash = readBytes(flashPath);
    return flash.size() >= image.size() && std::equal(image.begin(), image.end(), flash.begin());
}

void selectors(TestReport &t, const SimPaths &paths)
{
    TwoBoards bus;
    ScratchDir files;
    makeBin(paths, files / "top.bin", 100000, 4);
    const auto image = readBytes(files / "top.bin");
    const auto binArgs = binRunArgs("xc7a35t", paths.appDir, files / "top.bin");

    const RunResult byLocation = run(paths, bus.first.bus(), binArgs, {"adapter usb location 3-1.4"});
    t.check(byLocation.exitCode == 0 && byLocation.output().find("\nadapter usb location: 3-1.4\n") != std::string::npos,
            "adapter usb location is taken before init and said back", byLocation.describe());
    t.check(holds(bus.second + "/flash.bin", image) && !exists(bus.first.file("flash.bin")),
            "the board at that location was written, not the lowest one");

    const RunResult bySerial = run(paths, bus.first.bus(), bitRunArgs("xc7a35t", paths.proxyFor("xc7a35t")),
                                   {"adapter serial FM-0002", "adapter usb location 3-1.4"});
    t.check(bySerial.exitCode == 0 && fpgaState(bus.second + "/fpga")["file"] == paths.proxyFor("xc7a35t") &&
                fpgaState(bus.first.file("fpga")).empty(),
            "location and serial together pick that board", bySerial.describe());

    const RunResult defaultLocation = run(paths, bus.first.bus(), binArgs, {"adapter usb location 1-1"});
    t.check(defaultLocation.exitCode == 0 && holds(bus.first.file("flash.bin"), image),
            "an adapter without a usb-location file sits at 1-<N+1>", defaultLocation.describe());

    for (const std::vector<std::string> &nothing :
         {std::vector<std::string>{"adapter usb location 1-9"}, {"adapter serial FM-0002", "adapter usb location 1-1"}}) {
        const RunResult r = run(paths, bus.first.bus(), binArgs, nothing);
        t.check(r.exitCode == 1 && r.output().find("Error: ") != std::string::npos &&
                    r.output().find("3-1.4") != std::string::npos &&
                    r.output().find("JTAG tap") == std::string::npos,
                "a selection matching no board fails at init, saying what is attached", r.describe());
    }

    for (const std::string command : {"adapter usb location 3-1.4", "adapter serial FM-0002"}) {
        const std::string name = command.substr(0, command.rfind(' '));
        const RunResult late = run(paths, bus.first.bus(),
                                   {"-c", "adapter driver qb562; init", "-c", command, "-c", "puts after"});
        t.check(late.exitCode == 1 &&
                    late.output().find("\nError: The '" + name + "' command must be used before 'init'.\n") !=
                        std::string::npos &&
                    late.output().find("after") == std::string::npos,
                name + " is refused after init", late.describe());
    }
}

// Each run on its own board, both at once: nothing may be shared between them.
void sideBySide(TestReport &t, const SimPaths &paths)
{
    TwoBoards bus;
    ScratchDir files;
    makeBin(paths, files / "a.bin", 300000, 11, "xc7a35t");
    makeBin(paths, files / "b.bin", 200000, 12, "xc7a35t");
    RunResult a;
    RunResult b;
    std::thread other([&] {
        b = run(paths, bus.first.bus(), binRunArgs("xc7a35t", paths.appDir, files / "b.bin"),
                {"adapter usb location 3-1.4"}, "0.3");
    });
    a = run(paths, bus.first.bus(), binRunArgs("xc7a35t", paths.appDir, files / "a.bin"),
            {"adapter usb location 1-1"}, "0.3");
    other.join();
    t.check(a.exitCode == 0 && b.exitCode == 0, "both runs succeed", a.describe() + "\n" + b.describe());
    t.check(std::max(a.started, b.started) < std::min(a.started + a.elapsed, b.started + b.elapsed),
            "the runs overlapped");
    t.check(holds(bus.first.file("flash.bin"), readBytes(files / "a.bin")) &&
                holds(bus.second + "/flash.bin", readBytes(files / "b.bin")),
            "each flash holds its own run's file");
    t.check(fpgaState(bus.first.file("fpga"))["source"] == "flash" && fpgaState(bus.second + "/fpga")["source"] == "flash",
            "each board reloaded from its own flash");
}

}  // namespace

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    TestReport t("openocd_selection");
    selectors(t, paths);
    sideBySide(t, paths);
    return t.finish();
}
