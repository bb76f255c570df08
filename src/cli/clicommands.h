#pragma once

#include <QString>
#include <QStringList>

// Exit codes of orvex-cli.
enum CliExit { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// Thrown by a command for a malformed command line; main prints the message and the usage text.
struct UsageError {
    QString message;
};

// Output helpers: UTF-8, each line ended by a line feed.
void printOut(const QString &line);
void printErr(const QString &line);

// One sub-command: its name, the usage lines it adds to the help text and its entry point, which
// receives the arguments after the command name and returns the exit code.
struct CliCommand {
    const char *name;
    const char *usage;
    int (*run)(const QStringList &args);
};

int runDevices(const QStringList &args);
int runTree(const QStringList &args);
int runScramble(const QStringList &args);
int runUnscramble(const QStringList &args);
int runGenerate(const QStringList &args);
int runLex(const QStringList &args);
int runVersion(const QStringList &args);
