#include "app/widget.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    Widget w;
    w.show();
    w.setWindowTitle("Feldmoor");
    w.setWindowIcon(QIcon(":/app/icon/Feldmoor.ico"));
    return a.exec();
}
