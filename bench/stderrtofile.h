#ifndef FELDMOOR_BENCH_STDERRTOFILE_H
#define FELDMOOR_BENCH_STDERRTOFILE_H

#include <string>

// Sends this process's standard error to a file while alive. The window
// writes a debug line for every chunk; they still go through Qt's default
// handler and a real write, as in the program, without flooding the terminal.
class StderrToFile
{
public:
    explicit StderrToFile(const std::string &path);
    ~StderrToFile();
    StderrToFile(const StderrToFile &) = delete;
    StderrToFile &operator=(const StderrToFile &) = delete;

    bool ok() const { return saved >= 0; }

private:
    int saved = -1;
};

#endif
