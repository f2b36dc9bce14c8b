#include "app/widget.h"
#include "ui_widget.h"

#include "download/clockchoices.h"
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
    ui->cbB_clock->insertItems(ui->cbB_clock->count(), jtagClockChoices());
    ui->cbB_clock->setCurrentIndex(defaultJtagClockIndex());
}
