#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// A file or format error, carrying the message exactly as the user is shown it.
class OrvexError : public std::exception {
public:
    explicit OrvexError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
