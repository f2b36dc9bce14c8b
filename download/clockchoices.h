#ifndef FELDMOOR_DOWNLOAD_CLOCKCHOICES_H
#define FELDMOOR_DOWNLOAD_CLOCKCHOICES_H

#include <QString>
#include <QStringList>

// The JTAG clocks offered, in Hz as the tool takes them, fastest first.
QStringList jtagClockChoices();

// Where in that list a session starts: the slowest, surest clock (10 MHz).
int defaultJtagClockIndex();

// The clock used when nobody picks one.
QString defaultJtagClock();

#endif
