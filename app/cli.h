#pragma once

#include "store/session.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdio>

namespace brela::cli {

enum Exit { Done = 0, Failed = 1, BadUsage = 2, Interrupted = 130 };

struct Context {
    Session& session;
    QStringList args;      // the command's own arguments
    QString port;          // --port N|DEVICE, empty when not given
    QStringList ports;     // every --port given, in order; `port` is the first
    bool answered = false; // --yes or --no: no question waits for the terminal
};

using Command = int (*)(Context&);

// Each command file registers itself; main() dispatches by name.
struct Registrar {
    Registrar(const char* name, const char* usage, Command command);
};

// Set by Ctrl-C or SIGTERM: the link ends its wait at once and the command stops.
std::atomic<bool>& interruption();

void out(const QString& text); // a line on stdout
void err(const QString& text); // a line on stderr
int usageError(const QString& text);
void printHelp(); // --help, on stdout

// The stored form named or numbered `name`; 0 after telling the operator.
// "NAME [-o FILE]": 0 when read, else the usage error's exit status (told).
int nameAndOutput(const QStringList& args, QString& name, QString& output);
qint16 resolveForm(Context& context, const QString& name);

} // namespace brela::cli
