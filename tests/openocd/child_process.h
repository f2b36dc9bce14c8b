#ifndef FELDMOOR_OPENOCD_CHILD_PROCESS_H
#define FELDMOOR_OPENOCD_CHILD_PROCESS_H

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// A program started the way the window starts the programming tool: standard
// input from the null device, standard output and error merged into one
// pipe that the parent reads one read at a time. A child still running when
// this object goes is killed.
// When a read of the output began (data was known to be waiting) and when it
// returned: what tells a late reader from output written all at once.
struct ReadTime {
    std::chrono::steady_clock::time_point begun;
    std::chrono::steady_clock::time_point returned;
};

class ChildProcess {
public:
    ChildProcess();
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // `environment` is the child's whole environment, NAME=value entries;
    // an empty `workDir` keeps ours. On failure `error` says why.
    bool start(const std::string &program, const std::vector<std::string> &args,
               const std::vector<std::string> &environment, const std::string &workDir, std::string &error);

    enum class ReadStatus { Data, TimedOut, Ended };
    // Waits at most `timeout` for output; on Data `chunk` holds what one read
    // returned and `when` the times of that read. Ended once every writer has
    // closed the pipe.
    ReadStatus read(std::string &chunk, ReadTime &when, std::chrono::milliseconds timeout);

    // Ends the child at once, as SIGKILL or TerminateProcess do.
    void kill();

    struct Exit {
        int code = -1;       // -1 when ended by a signal or by kill()
        int signal = 0;      // the signal that ended it (Linux)
        bool killed = false;  // ended by kill() or SIGKILL
    };
    // Waits for the child to end.
    Exit wait();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// This process's environment, NAME=value entries in UTF-8.
std::vector<std::string> currentEnvironment();

#endif
