#include "app/widget.h"
#include "app/windowtranslation.h"

#include <QApplication>
#include <QIcon>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    QTranslator translator;
    installWindowTranslation(translator);
    Widget w;
    w.show();
    w.setWindowTitle("Feldmoor");
    w.setWindowIcon(QIcon(":/app/icon/Feldmoor.ico"));
    return a.exec();
}
