#include "download/clockchoices.h"

QStringList jtagClockChoices()
{
    return {QString::number(30000000), QString::number(15000000), QString::number(10000000)};
}

int defaultJtagClockIndex()
{
    return 2;
}

QString defaultJtagClock()
{
    return jtagClockChoices().at(defaultJtagClockIndex());
}
