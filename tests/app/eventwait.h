#ifndef FELDMOOR_TESTS_EVENTWAIT_H
#define FELDMOOR_TESTS_EVENTWAIT_H

#include <functional>

// Runs the event loop, as QApplication::exec would, until `done` holds or
// `ms` milliseconds have passed; returns `done()`. Unlike QTest::qWait, which
// sleeps between rounds, it reads a child's output as soon as it arrives, so
// chunks that a child writes apart also reach the window apart.
bool runEventLoopUntil(const std::function<bool()> &done, int ms = 30000);

#endif
