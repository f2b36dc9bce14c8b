#include "modalanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Polls for the modal window: the box or dialog opens only after the slot
// that shows it has started, so a single timer shot may come too early.
void whenModal(std::function<bool(QWidget *)> handle, int remaining = 200)
{
    QTimer::singleShot(10, [handle, remaining] {
        QWidget *modal = QApplication::activeModalWidget();
        if ((modal && handle(modal)) || remaining <= 0)
            return;
        whenModal(handle, remaining - 1);
    });
}

QString plain(QString text)
{
    return text.remove('&');
}

}

void answerNextMessageBox(SeenBox &seen, const QString &button)
{
    SeenBox *out = &seen;
    whenModal([out, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return false;
        out->shown = true;
        out->title = box->windowTitle();
        out->text = box->text();
        out->icon = box->icon();
        out->parent = box->parentWidget();
        if (box->defaultButton())
            out->defaultButton = plain(box->defaultButton()->text());
        QAbstractButton *chosen = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            out->buttons << plain(b->text());
            if (plain(b->text()) == button)
                chosen = b;
        }
        if (chosen)
            chosen->click();
        else
            box->reject();
        return true;
    });
}

void answerNextFileDialog(QString &startDir, const QString &file)
{
    QString *out = &startDir;
    whenModal([out, file](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return false;
        *out = dialog->directory().absolutePath();
        if (file.isEmpty()) {
            dialog->reject();
        } else {
            // Typed into the name field, as a user would: selecting by
            // absolute path races the dialog's own directory listing.
            auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
            if (!name)
                return false;
            name->setText(file);
            static_cast<QDialog *>(dialog)->accept();
        }
        return true;
    });
}

void forbidModalWindows(int ms, bool &opened)
{
    bool *out = &opened;
    // Owned by the application, so a watch still running at exit goes with it.
    auto timer = new QTimer(QCoreApplication::instance());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, out, ms] {
        // Past its time the watch touches nothing: the flag it was given may
        // be gone with its test, and a box then open is the next test's.
        if (clock->elapsed() > ms) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (QWidget *modal = QApplication::activeModalWidget()) {
            *out = true;
            modal->close();
        }
    });
    timer->start(5);
}
