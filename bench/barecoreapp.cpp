// The start-up floor feldmoor-cli --version is measured against: a
// QCoreApplication that prints a version and exits.
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::puts("bare 1.0");
    return 0;
}
