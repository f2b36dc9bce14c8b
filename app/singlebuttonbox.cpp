#include "app/singlebuttonbox.h"

#include <QPushButton>

void showSingleButtonBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                         const QString &text, const QString &buttonText)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QPushButton *button = box.addButton(buttonText, QMessageBox::AcceptRole);
    box.setDefaultButton(button);
    box.exec();
}
