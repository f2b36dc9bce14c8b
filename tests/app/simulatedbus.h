#ifndef FELDMOOR_TESTS_SIMULATEDBUS_H
#define FELDMOOR_TESTS_SIMULATEDBUS_H

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Runs a suite on a fresh simulated adapter bus. The adapter library reads
// its bus once, on the first call, so it must be in place before anything
// touches the library; the suite is given the bus folder.
template<typename Suite>
int runOnSimulatedBus(int argc, char *argv[])
{
    QTemporaryDir bus;
    if (!bus.isValid())
        return 1;
    qputenv("QB562_SIM_DIR", bus.path().toLocal8Bit());
    qputenv("QB562_SIM_TIME_SCALE", "0");
    QApplication app(argc, argv);
    Suite suite(bus.path());
    return QTest::qExec(&suite, argc, argv);
}

#endif
