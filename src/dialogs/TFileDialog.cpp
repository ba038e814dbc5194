#include "dialogs/TFileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

QStringList NextAnswers;

} // namespace

QString TFileDialog::Open(QWidget *owner, const QString &title) {
    if (!NextAnswers.isEmpty())
        return NextAnswers.takeFirst();
    return QFileDialog::getOpenFileName(owner, title);
}

QString TFileDialog::Save(QWidget *owner, const QString &title) {
    if (!NextAnswers.isEmpty())
        return NextAnswers.takeFirst();
    return QFileDialog::getSaveFileName(owner, title);
}

void TFileDialog::SetNextAnswer(const QString &fileName) {
    NextAnswers.append(fileName);
}
