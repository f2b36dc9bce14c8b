#include "child_process.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

struct ChildProcess::Private {
    pid_t pid = 0;
    int pipe = -1;
    bool reaped = false;
    std::vector<char> buffer = std::vector<char>(1 << 16);
};

ChildProcess::ChildProcess() : d(std::make_unique<Private>()) {}

ChildProcess::~ChildProcess()
{
    if (d->pid > 0 && !d->reaped) {
        kill();
        wait();
    }
    if (d->pipe >= 0)
        ::close(d->pipe);
}

bool ChildProcess::start(const std::string &program, const std::vector<std::string> &args,
                         const std::vector<std::string> &environment, const std::string &workDir, std::string &error)
{
    std::vector<std::string> envText = environment;
    std::vector<char *> envp;
    for (std::string &entry : envText)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText{program};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &arg : argText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = "pipe2 failed: " + std::string(std::strerror(errno));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    const int spawned = ::posix_spawn(&d->pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        d->pid = 0;
        error = "spawn failed: " + std::string(std::strerror(spawned));
        return false;
    }
    d->pipe = fds[0];
    return true;
}

ChildProcess::ReadStatus ChildProcess::read(std::string &chunk, ReadTime &when, std::chrono::milliseconds timeout)
{
    pollfd pfd{d->pipe, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(timeout.count()));
    if (ready <= 0)
        return ReadStatus::TimedOut;  // also EINTR: the caller asks again
    when.begun = std::chrono::steady_clock::now();
    const ssize_t n = ::read(d->pipe, d->buffer.data(), d->buffer.size());
    when.returned = std::chrono::steady_clock::now();
    if (n < 0 && errno == EINTR)
        return ReadStatus::TimedOut;
    if (n <= 0)
        return ReadStatus::Ended;
    chunk.assign(d->buffer.data(), static_cast<std::size_t>(n));
    return ReadStatus::Data;
}

void ChildProcess::kill()
{
    if (d->pid > 0 && !d->reaped)
        ::kill(d->pid, SIGKILL);
}

ChildProcess::Exit ChildProcess::wait()
{
    Exit exit;
    int status = 0;
    while (::waitpid(d->pid, &status, 0) < 0 && errno == EINTR) {
    }
    d->reaped = true;
    if (WIFEXITED(status))
        exit.code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        exit.signal = WTERMSIG(status);
    exit.killed = exit.signal == SIGKILL;
    return exit;
}

std::vector<std::string> currentEnvironment()
{
    std::vector<std::string> entries;
    for (char **e = environ; *e; ++e)
        entries.emplace_back(*e);
    return entries;
}
