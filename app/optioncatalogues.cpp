#include "app/widget.h"
#include "ui_widget.h"

#include <QCompleter>
#include <QStringList>

void Widget::initFpgaTypeList()
{
    // Byte-wise order of "<name>.bit", which is why "xc3s500e" precedes
    // "xc3s50a" and "xc7k325t-debug" precedes "xc7k325t".
    const QStringList parts = {
        "xc3s100e",   "xc3s1200e",  "xc3s1400a",  "xc3s1400an",     "xc3s1600e",
        "xc3s200a",   "xc3s200an",  "xc3s250e",   "xc3s400a",       "xc3s400an",
        "xc3s500e",   "xc3s50a",    "xc3s50an",   "xc3s700a",       "xc3s700an",
        "xc3sd1800a", "xc3sd3400a", "xc6slx100",  "xc6slx100t",     "xc6slx150",
        "xc6slx150t", "xc6slx16",   "xc6slx25",   "xc6slx25t",      "xc6slx4",
        "xc6slx45",   "xc6slx45t",  "xc6slx75",   "xc6slx75t",      "xc6slx9",
        "xc7a100t",   "xc7a12t",    "xc7a15t",    "xc7a200t",       "xc7a25t",
        "xc7a35t",    "xc7a50t",    "xc7a75t",    "xc7k160t",       "xc7k325t-debug",
        "xc7k325t",   "xc7k355t",   "xc7k410t",   "xc7k420t",       "xc7k480t",
        "xc7k70t",    "xc7s25",     "xc7s50",     "xc7v2000t",      "xc7v585t",
        "xc7vh580t",  "xc7vh870t",  "xc7vx1140t", "xc7vx330t",      "xc7vx415t",
        "xc7vx485t",  "xc7vx550t",  "xc7vx690t",  "xc7vx980t",      "xcku040",
    };
    ui->cbB_FPGAType->insertItems(ui->cbB_FPGAType->count(), parts);
    ui->cbB_FPGAType->setCurrentIndex(40);

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
