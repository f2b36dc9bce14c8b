#ifndef FELDMOOR_OPENOCD_PACER_H
#define FELDMOOR_OPENOCD_PACER_H

#include <chrono>
#include <functional>

// Turns the modelled duration of adapter and flash work into real waiting,
// scaled by QB562_SIM_TIME_SCALE. Waiting follows the sum of the modelled
// time, so thousands of sub-millisecond steps do not drift. While it waits it
// keeps calling `check` (which throws when the adapter is gone) at least every
// kCheckInterval.
class Pacer {
public:
    static constexpr std::chrono::milliseconds kCheckInterval{20};

    Pacer(double timeScale, std::function<void()> check);

    // Accounts for `seconds` of modelled time, waits until real time has
    // caught up, and runs the check at least once.
    void spend(double seconds);
    double modelledSeconds() const { return modelled_; }

private:
    double scale_;
    std::function<void()> check_;
    std::chrono::steady_clock::time_point start_;
    double modelled_ = 0.0;
};

// QB562_SIM_TIME_SCALE, or 1 when unset; `problem` is set when the variable
// holds something other than a non-negative number.
double timeScaleFromEnvironment(bool &problem);

#endif
