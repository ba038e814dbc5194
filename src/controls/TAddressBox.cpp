#include "controls/TAddressBox.h"

#include "controls/TAddress.h"
#include "controls/TGetHistoryThread.h"
#include "controls/TPopupPanel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>

#include <algorithm>

namespace {

// Background of the odd rows.
const QColor OddRowColor(241, 254, 246);

// Restores the flag on every way out, exceptions included.
class TUpdatingGuard {
public:
    explicit TUpdatingGuard(bool &flag) : FFlag(flag) { FFlag = true; }
    ~TUpdatingGuard() { FFlag = false; }
    TUpdatingGuard(const TUpdatingGuard &) = delete;
    TUpdatingGuard &operator=(const TUpdatingGuard &) = delete;

private:
    bool &FFlag;
};

QString UrlOf(const QString &itemText) {
    const int lf = itemText.indexOf(QLatin1Char('\n'));
    return lf >= 0 ? itemText.mid(lf + 1) : itemText;
}

} // namespace

TAddressBox::TAddressBox(QWidget *owner)
    : TEEdit(owner), FHistoryPath(THistoryStore::DefaultPath()) {
    // Only the user's own edits search; setText from the program does not emit textEdited.
    connect(this, &QLineEdit::textEdited, this, &TAddressBox::AddressEdited);
}

TAddressBox::~TAddressBox() {
    // The worker first: it must not hand a result to a box that is half gone.
    delete FWorker;
    FWorker = nullptr;
    delete FPopup;
    FPopup = nullptr;
    FList = nullptr;
}

void TAddressBox::SetHistoryPath(const QString &path) {
    FHistoryPath = path;
}

void TAddressBox::SetAddressText(const QString &text) {
    TUpdatingGuard updating(FUpdating);
    setText(UrlOf(text));
    // The start of an address says where it leads; the end is the least telling part.
    setCursorPosition(0);
}

bool TAddressBox::IsPopupVisible() const {
    return FPopup && FPopup->isVisible();
}

void TAddressBox::EnsurePopup() {
    if (FPopup)
        return;
    FPopup = new TPopupPanel(this);
    FList = new TAddress(this, FPopup);
    FPopup->layout()->addWidget(FList);
    // The list is placed in screen coordinates; it must not float away from a moved window.
    window()->installEventFilter(this);
}

bool TAddressBox::eventFilter(QObject *watched, QEvent *event) {
    if (watched == window() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        HidePopup();
    return TEEdit::eventFilter(watched, event);
}

void TAddressBox::AddressEdited() {
    if (FUpdating)
        return;
    {
        TUpdatingGuard updating(FUpdating);
        EnsurePopup();
        if (!FWorker) {
            FWorker = new TGetHistoryThread(FHistoryPath, MaxEntries, this);
            connect(FWorker, &TGetHistoryThread::Found, this, &TAddressBox::HistoryFound);
        }
    }
    // A search still running finishes first; the worker then takes the newest text.
    FWorker->Search(text());
}

void TAddressBox::HistoryFound(const QString &typed, const QList<THistoryEntry> &entries) {
    // A result for a text the box no longer holds (a row was chosen, a page was shown) would
    // reopen the list over the newer text.
    if (typed != text() && hasFocus())
        return;
    FillHistory(entries);
}

void TAddressBox::FillHistory(const QList<THistoryEntry> &entries) {
    EnsurePopup();
    FList->setUpdatesEnabled(false);
    FList->clear();
    if (hasFocus()) {
        for (const THistoryEntry &entry : entries.mid(0, MaxEntries))
            FList->addItem(entry.Title + QLatin1Char('\n') + entry.Url);
    }
    FList->setCurrentRow(-1);
    FList->setUpdatesEnabled(true);
    if (FList->count() == 0) {
        HidePopup();
    } else {
        FPopup->SetClientSize(width() + 40,
                              std::min(FList->count(), MaxRows) * TAddress::ItemHeight);
        FPopup->move(mapToGlobal(QPoint(PopupLeft, height() + 4)));
        if (!FPopup->isVisible())
            FPopup->show();
    }
    emit HistoryFilled();
}

void TAddressBox::HidePopup() {
    if (FPopup)
        FPopup->hide();
}

void TAddressBox::DrawItem(QPainter *painter, int index, const QRect &rect, bool selected) const {
    if (!FList || index < 0 || index >= FList->count())
        return;
    const QString text = FList->ItemText(index);
    const int lf = text.indexOf(QLatin1Char('\n'));
    const QString title = lf >= 0 ? text.left(lf) : QString();
    const QString url = lf >= 0 ? text.mid(lf + 1) : text;

    QColor background;
    QColor foreground;
    if (selected) {
        background = palette().color(QPalette::Highlight);
        foreground = palette().color(QPalette::Base);
    } else {
        background = index % 2 == 0 ? palette().color(QPalette::Base) : OddRowColor;
        foreground = palette().color(QPalette::Text);
    }
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, background);
    painter->setPen(foreground);
    painter->setFont(font());
    // Three pixels above the title and below the URL, less when the font is too tall for two
    // lines in a row, so the lines never overlap.
    const int margin = std::clamp((rect.height() - 2 * painter->fontMetrics().height()) / 2, 0, 3);
    QRect r = rect.adjusted(21, 0, 0, -margin);
    if (!title.isEmpty()) {
        r.setTop(r.top() + margin);
        painter->drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title);
    }
    painter->drawText(r, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, url);
    painter->restore();
}

void TAddressBox::ChooseItem(const QString &itemText) {
    SetAddressText(itemText);
    selectAll();
    // Hidden before the Enter arrives, so the Enter is a plain Enter on the new text.
    HidePopup();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(this, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(this, &release);
}

void TAddressBox::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (IsPopupVisible()) {
            const int row = FList->SelectedIndex();
            if (row >= 0) {
                SetAddressText(FList->ItemText(row));
                selectAll();
            }
            // The choice is made; the page opens from the text.
            HidePopup();
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (IsPopupVisible()) {
            FList->MoveSelection(event);
            const int row = FList->SelectedIndex();
            if (row >= 0) {
                SetAddressText(FList->ItemText(row));
                end(false);
            }
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        // Closes the list and keeps the text; with no list, Escape is the edit's.
        if (IsPopupVisible()) {
            HidePopup();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    TEEdit::keyPressEvent(event);
}

void TAddressBox::focusOutEvent(QFocusEvent *event) {
    HidePopup();
    TEEdit::focusOutEvent(event);
}

void TAddressBox::hideEvent(QHideEvent *event) {
    // The list is a window of its own; it must not stay behind on screen.
    HidePopup();
    TEEdit::hideEvent(event);
}
