#pragma once

#include "printer/printer_link.h"

#include <optional>

namespace brela {

// Status request 42 with "T" (no field) or a single letter; the status
// words are not judged.
Reply statusRequest(PrinterLink& link, const QString& letter);
// The same, true when an answer arrived (its fields are in PFRespuesta).
bool PFConsultaEstado(PrinterLink& link, const QString& letter);
// True when the printer's model answer (status "N", field 10) names the QM210F.
bool PFEsModeloQM210(PrinterLink& link);
// The same probe, empty when the printer did not answer it.
std::optional<bool> probeModelQM210(PrinterLink& link);
bool isQM210ModelAnswer(const QString& field10);
// True when the printer's form suits `cpi` (or it reports no form at all).
bool PFVerificaFormulario(PrinterLink& link, qint16 cpi);
// The same, empty when the query got no answer.
std::optional<bool> checkForm(PrinterLink& link, qint16 cpi);

// Test documents; `cpi` becomes 12 unless it is 10, 12 or 17.
bool PFAbreComprobante(PrinterLink& link, const QString& type, const QString& letter, qint16& cpi);
bool PFItemComprobante(PrinterLink& link, const QString& first, const QString& second);
bool PFTextoCotizacion(PrinterLink& link, const QString& text);
bool PFPagoComprobante(PrinterLink& link, const QString& text, double amount);
// `number` receives the printed document's number (answer field 3).
bool PFCierraComprobante(PrinterLink& link, const QString& type, const QString& letter, QString* number = nullptr);
// "OPEN" or "CLOSE".
bool PFTransporte(PrinterLink& link, const QString& option);
// "X" report or "Z" daily close.
// `number` receives the report's number (answer field 3).
bool PFCierreDiario(PrinterLink& link, const QString& kind, QString* number = nullptr);
bool PFCancelaPrueba(PrinterLink& link);

// Leaves the printer with no open document and no pending close.
bool PFI_Sincronizar(PrinterLink& link);

} // namespace brela
