#pragma once
// Raised when a data file cannot be written; the main role's default error report shows it.

#include <QString>
#include <stdexcept>

class EWriteError : public std::runtime_error {
public:
    explicit EWriteError(const QString &message)
        : std::runtime_error(message.toStdString()), FMessage(message) {}
    QString Message() const { return FMessage; }

private:
    QString FMessage;
};
