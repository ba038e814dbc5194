#pragma once
// The address field of the main window's tool bar. While the user types, it searches the
// history of visited pages on a worker thread and shows the matches in a pop-up list under the
// field; arrow and page keys walk the list, Enter or a click hands the chosen URL on as Enter.

#include "controls/TEEdit.h"
#include "store/THistoryStore.h"

class QPainter;
class TAddress;
class TGetHistoryThread;
class TPopupPanel;

class TAddressBox : public TEEdit {
    Q_OBJECT
public:
    static constexpr int MaxEntries = 18; // suggestions kept in the list
    static constexpr int MaxRows = 8;     // rows shown at once
    static constexpr int PopupLeft = -21; // pop-up offset from the box's left edge

    explicit TAddressBox(QWidget *owner = nullptr);
    ~TAddressBox() override;

    // The history file to search; THistoryStore::DefaultPath() unless set before the first
    // search.
    void SetHistoryPath(const QString &path);
    QString HistoryPath() const { return FHistoryPath; }

    // Sets the text from the program (a page is shown, a row is chosen): no search. A list
    // item's text (title, line feed, URL) sets only its URL.
    void SetAddressText(const QString &text);
    void EnsurePopup();
    // Shows the result of a search, on the user interface thread.
    void FillHistory(const QList<THistoryEntry> &entries);

    TPopupPanel *Popup() const { return FPopup; }
    TAddress *List() const { return FList; }
    TGetHistoryThread *Worker() const { return FWorker; }
    bool IsUpdating() const { return FUpdating; }
    bool IsPopupVisible() const;

    // Row drawing for the list: title on top, URL at the bottom, alternating backgrounds.
    void DrawItem(QPainter *painter, int index, const QRect &rect, bool selected) const;
    // A click on a list row: take its URL, close the list and act as if Enter were pressed.
    void ChooseItem(const QString &itemText);

signals:
    // After every shown search result, found or empty.
    void HistoryFilled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void AddressEdited();
    void HistoryFound(const QString &typed, const QList<THistoryEntry> &entries);
    void HidePopup();

    TPopupPanel *FPopup = nullptr;
    TAddress *FList = nullptr;
    bool FUpdating = false;
    TGetHistoryThread *FWorker = nullptr;
    QString FHistoryPath;
};
