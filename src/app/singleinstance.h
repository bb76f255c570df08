#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

// Keeps one copy of the program per user. The running copy listens on a local socket named
// after "TecSingleInst_" + the component's object name + the user id; a new copy connects,
// sends its instance text and, when the running copy answers "1", ends without showing a
// window.
//
// Protocol: the new copy sends a 4-byte big-endian length and that many bytes of UTF-8 text;
// the running copy answers one byte, '1' for accepted, '0' for refused.
class TecSingleInstance : public QObject {
    Q_OBJECT

public:
    // Called in the running copy for each hand-over; clearing accept refuses it.
    using AcceptInstInfoHandler = std::function<void(const QString &text, bool &accept)>;

    explicit TecSingleInstance(QObject *parent = nullptr);
    ~TecSingleInstance() override;

    bool Active = true;
    AcceptInstInfoHandler AcceptInstInfo;

    // The start-up check. Returns true when a running copy accepted the hand-over, and the
    // caller must then end the process with exit code 0. Otherwise starts answering new copies
    // (a socket left behind by a copy that crashed is removed first) and returns false.
    bool CheckInstance(const QString &instanceText);

    // The first argument of a command line as handed over, empty when there is none or when it
    // is longer than 255 characters, the limit of the original atom-based protocol.
    static QString instanceTextFromArguments(const QStringList &arguments);
    QString serverName() const;
    bool isAnswering() const;

    // With ORVEX_TRACE_INSTANCE=1 in the environment, writes "orvex: <line>" to stderr: how the
    // start-up check went, each hand-over received, the main window shown.
    static void trace(const QString &line);

private:
    enum class HandOver { Accepted, Refused, NoInstance };
    HandOver handOver(const QString &text) const;
    void acceptConnection();
    void answer(QLocalSocket *socket, const QString &text);
    void bringMainWindowToFront();

    QLocalServer *m_server = nullptr;
};
