// A process that starts a window, shows it, lets it paint once and exits:
// "bare" a plain QWidget, anything else the Feldmoor window. feldmoor_jobbench
// times the two as whole processes, as a user's start-up is.
#include "app/widget.h"

#include <QApplication>

#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (argc > 1 && std::strcmp(argv[1], "bare") == 0)
        window = std::make_unique<QWidget>();
    else
        window = std::make_unique<Widget>();
    window->show();
    QCoreApplication::processEvents();
    return 0;
}
