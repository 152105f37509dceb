#pragma once

#include "printer/printer_link.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace brela {

// The lists of the document utilities, by model: entries whose first
// character is the type letter ("F Factura"), the letter ("A Letra A") or
// whose first two characters are the characters per inch.
QStringList documentTypeEntries(bool firstModel);
QStringList pitchEntries(bool firstModel);
QStringList letterEntries(QChar type);
// The type's list entry among every type the later models print; empty when unknown.
QString documentTypeEntry(QChar type);

// What the letter list becomes after a change of type: a new list when the
// current letter does not suit the type, and whether "Con Transporte" applies.
struct LetterChoice {
    std::optional<QStringList> entries; // replace the list and select its first entry
    bool transport = false;
};
LetterChoice InitComboLetra(const QString& typeEntry, const QString& letterEntry);

struct TestDocument {
    QString typeEntry; // "L Recibo oficial"
    QString letter;    // "A", "B", "C" or "X"
    qint16 cpi = 12;
    bool transport = false; // two more items around a page transport
    bool noPayment = false; // a zero payment instead of the test payment
};

enum class TestOutcome {
    NotStarted, // refused or unreachable before anything was opened
    Printed,
    Cancelled, // a step failed and the document was cancelled
    Failed,    // a step failed and the cancel failed too
};

struct TestResult {
    TestOutcome outcome = TestOutcome::NotStarted;
    QString letter; // the letter printed with, after any correction
    QString number; // the printer's document number when printed
};

using Progress = std::function<void(const QString& step)>;

// Prints a test document: model and letter checks, the form check at the
// pitch, then open, body, transport, payment and close, cancelling when a
// step fails. Every outcome has been told to the operator.
TestResult printTestDocument(PrinterLink& link, const TestDocument& document, const Progress& progress = {});

// Asks whether to make the Z close; true on Yes.
bool confirmZClose(Operator& op);
// "X" report or "Z" daily close, the Z only after the operator said Yes;
// tells the operator whether it was done.
bool dailyClose(PrinterLink& link, const QString& kind, const Progress& progress = {});
// Cancels a document left open, or runs a pending close; tells the outcome.
bool cancelOpenDocument(PrinterLink& link, const Progress& progress = {});

} // namespace brela
