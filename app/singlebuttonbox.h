#ifndef FELDMOOR_SINGLEBUTTONBOX_H
#define FELDMOOR_SINGLEBUTTONBOX_H

#include <QMessageBox>
#include <QString>

class QWidget;

// A modal box with one button of the given text, which is also its default
// button. Stands in for the static QMessageBox calls that take button texts,
// deprecated since Qt 6.2; the answer is not reported because callers ignore it.
void showSingleButtonBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                         const QString &text, const QString &buttonText);

#endif
