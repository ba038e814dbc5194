#pragma once
// The platform's open and save dialogs, with a seam for tests: queued answers are returned
// instead of showing a window (an empty answer is a cancel).

#include <QString>

class QWidget;

class TFileDialog {
public:
    // Open: no filter. Returns the chosen file, empty on cancel. title names the dialog.
    static QString Open(QWidget *owner, const QString &title);
    // Save: no filter, no default extension. Returns the chosen file, empty on cancel.
    static QString Save(QWidget *owner, const QString &title);

    // Test seam: the next Open or Save answers this without a window (answers queue up).
    static void SetNextAnswer(const QString &fileName);
};
