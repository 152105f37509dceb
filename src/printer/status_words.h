#pragma once

#include "printer/printer_link.h"

namespace brela {

// Fills the printer and fiscal bit texts; once, before any command.
void PFCargaTextosEstado(PrinterLink& link);

// True when the reply's two status words let the command count as done;
// otherwise shows their breakdown. Only for a reply that arrived.
bool PFAnalizaEstado(PrinterLink& link, const Reply& reply, int command);
// The same on the last answer left in PFRespuesta.
bool PFAnalizaEstado(PrinterLink& link, int command);

// The breakdown of one status word: kind 1 printer, kind 2 fiscal; the
// fiscal one ends with the reply's answer fields 3 and 4 when it has them.
QString PF_ANALIZASTATUS(PrinterLink& link, const QString& status, int kind, const Reply& reply = {});

// "0000".."1111" for one hexadecimal digit; a blank or empty digit gives " ".
QString PFHexABinario(Operator& op, const QString& digit);

// The value of the longest leading hexadecimal part of a text (0 when none).
unsigned hexValue(const QString& text);

} // namespace brela
