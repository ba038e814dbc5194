#pragma once
// What the account page may ask of its window, over the web channel: save an edited row, delete
// a row. Rows are known by their handle only.

#include <QObject>
#include <QString>

class TAccountBridge : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE void saveItem(int id, const QString &caption, const QString &user,
                              const QString &pass) {
        emit SaveRequested(id, caption, user, pass);
    }
    Q_INVOKABLE void delItem(int id) { emit DeleteRequested(id); }

signals:
    void SaveRequested(int id, const QString &caption, const QString &user, const QString &pass);
    void DeleteRequested(int id);
};
