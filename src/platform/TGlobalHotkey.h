#pragma once
// One key combination taken for the whole X display, so that it reaches the program whichever
// program has the keyboard (the boss key). The grab lives on the application's own X connection
// and its key presses are picked out of that connection's events.

#include <QAbstractNativeEventFilter>
#include <QKeySequence>
#include <QObject>

class TGlobalHotkey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit TGlobalHotkey(QObject *parent = nullptr);
    ~TGlobalHotkey() override;

    // Takes the first combination of key, giving back the one held before; an empty key only
    // gives it back. False when there is no X display, the key has no key code there, it lacks
    // Ctrl, Alt or Meta, or another program holds it.
    bool SetKey(const QKeySequence &key);
    QKeySequence Key() const { return FKey; }

signals:
    // Once per press: a held key does not repeat it.
    void Pressed();

protected:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void Release();

    QKeySequence FKey;
    quint8 FKeycode = 0;
    quint16 FModifiers = 0;
    bool FDown = false;
    quint32 FReleaseTime = 0;
};
