#include "app/widget.h"
#include "ui_widget.h"

#include "download/clockchoices.h"
#include "feldmoor/projectfacts.h"

#include <QComboBox>
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
    // A clock is typed as a number: completing "30000" into the listed
    // "30000000" would run at a thousand times the clock typed.
    ui->cbB_clock->setCompleter(nullptr);
    // Enter keeps the typed clock as typed, without adding it to the list.
    ui->cbB_clock->setInsertPolicy(QComboBox::NoInsert);
}
