#include "pacer.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

Pacer::Pacer(double timeScale, std::function<void()> check)
    : scale_(timeScale), check_(std::move(check)), start_(std::chrono::steady_clock::now())
{
}

void Pacer::spend(double seconds)
{
    modelled_ += seconds;
    check_();
    if (scale_ <= 0.0)
        return;
    const auto due = start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(modelled_ * scale_));
    for (auto now = std::chrono::steady_clock::now(); now < due; now = std::chrono::steady_clock::now()) {
        const auto step = std::min<std::chrono::steady_clock::duration>(due - now, kCheckInterval);
        std::this_thread::sleep_for(step);
        check_();
    }
}

double timeScaleFromEnvironment(bool &problem)
{
    problem = false;
    const char *text = std::getenv("QB562_SIM_TIME_SCALE");
    if (!text || !*text)
        return 1.0;
    char *end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < 0.0) {
        problem = true;
        return 1.0;
    }
    return value;
}
