#include "app/widget.h"
#include "ui_widget.h"

#include "feldmoor/projectfacts.h"

#include <QCompleter>
#include <QStringList>

void Widget::initFpgaTypeList()
{
    QStringList parts;
    for (const feldmoor::PartFacts &part : feldmoor::kPartCatalogue)
        parts << QString::fromLatin1(part.name);
    ui->cbB_FPGAType->insertItems(ui->cbB_FPGAType->count(), parts);
    ui->cbB_FPGAType->setCurrentIndex(ui->cbB_FPGAType->findText(QLatin1String(feldmoor::kDefaultPart)));

    QCompleter *completer = new QCompleter(ui->cbB_FPGAType->model(), this);
    ui->cbB_FPGAType->setCompleter(completer);
}

void Widget::initClockList()
{
    const QStringList clocks = {
        QString::number(30000000, 10),
        QString::number(15000000, 10),
        QString::number(10000000, 10),
    };
    ui->cbB_clock->insertItems(ui->cbB_clock->count(), clocks);
    ui->cbB_clock->setCurrentIndex(2);
}
