#include "dialogs/TFileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

QStringList NextAnswers;

} // namespace

QString TFileDialog::Open(QWidget *owner) {
    if (!NextAnswers.isEmpty())
        return NextAnswers.takeFirst();
    return QFileDialog::getOpenFileName(owner);
}

QString TFileDialog::Save(QWidget *owner) {
    if (!NextAnswers.isEmpty())
        return NextAnswers.takeFirst();
    return QFileDialog::getSaveFileName(owner);
}

void TFileDialog::SetNextAnswer(const QString &fileName) {
    NextAnswers.append(fileName);
}
