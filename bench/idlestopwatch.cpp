#include "idlestopwatch.h"

#include "monotonicclock.h"

#include <QProgressBar>
#include <QPushButton>

IdleStopwatch::IdleStopwatch(QProgressBar *bar, QPushButton *button)
    : button(button)
{
    connection = QObject::connect(bar, &QProgressBar::valueChanged, bar, [this](int value) {
        if (!armed || value != 0)
            return;
        stamp = monotonicNanoseconds();
        armed = false;
        idleText = this->button->text() == QStringLiteral("下载");
    });
}

IdleStopwatch::~IdleStopwatch()
{
    QObject::disconnect(connection);
}

void IdleStopwatch::arm()
{
    armed = true;
    idleText = false;
    stamp.reset();
}
