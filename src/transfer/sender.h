#pragma once

#include "printer/printer_link.h"
#include "store/session.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace brela {

// What the script window keeps between two sends.
struct SenderState {
    // Bottom of the last zone 060 sent; the first model's zone 070 must end there.
    QString zone060Bottom;
    // The lines the printer refused (or never got) in the last send, as written.
    QStringList refused;
};

// How a send reports itself as it goes.
struct SendProgress {
    // The script window's Help_Label text.
    std::function<void(const QString&)> label;
    // One script line went to the printer: its description and whether it was accepted.
    std::function<void(const QString& description, bool accepted)> sent;
};

// Sends every command line of the script `fileName` to the printer, one
// command per line, asking whether to go on after each refused one. The
// model probe sets session.PrimerModelo first. True when every line was gone
// through (also after the operator chose to go on past failures); false when
// the operator stopped or the file could not be read.
bool PFEnviaConfig(Session& session, PrinterLink& link, SenderState& state, const QString& fileName,
                   const SendProgress& progress = {});

// The sender of one trimmed command line; true when the printer accepted it
// or it is not sent to this model.
bool sendScriptLine(Session& session, PrinterLink& link, SenderState& state, const QString& line,
                    const SendProgress& progress = {});

// How many lines of the script `fileName` go to the printer; 0 when it cannot be read.
int scriptCommandLines(const QString& fileName);

// The fields a "@ZONA" line sends after "P", "C", "Z", "U": the zone number
// as written and the coordinates as plain numbers ("05" -> "5", "7.50" -> "7.5").
QStringList zoneFields(const QString& line);

} // namespace brela
