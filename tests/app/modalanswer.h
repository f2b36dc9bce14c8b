#ifndef FELDMOOR_TESTS_MODALANSWER_H
#define FELDMOOR_TESTS_MODALANSWER_H

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

// What a modal box showed before it was answered.
struct SeenBox
{
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    QWidget *parent = nullptr;
};

// Answers the next message box from inside the event loop that the box runs:
// presses the button whose text (mnemonics removed) equals `button`.
void answerNextMessageBox(SeenBox &seen, const QString &button);

// Answers the next file dialog: records its start directory and chooses
// `file`, or cancels when `file` is empty.
void answerNextFileDialog(QString &startDir, const QString &file);

// Fails the running test if any modal window opens within `ms` milliseconds.
void forbidModalWindows(int ms, bool &opened);

#endif
