#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// What the emulated printer puts on paper, as text: a document laid out on
// the configured zones in character columns and lines, and the X and Z
// reports. Lets an operator see what a configuration prints without forms.
namespace emu {

class Printer;

struct Item {
    QByteArray extra; // the line above the item, may be empty
    QByteArray description;
    qint64 quantity = 0;      // thousandths
    qint64 price = 0;         // cents
    int vat = 0;              // hundredths of a percent
    qint64 internalTaxes = 0; // cents
    qint64 amount() const;
};

struct SheetLine {
    enum Kind { ItemLine, Text, TransportOut, TransportIn } kind = ItemLine;
    Item item;
    QByteArray text;
};

struct Payment {
    QByteArray text;
    qint64 amount = 0; // cents
};

// Everything a document received, in order, until it is closed or cancelled.
struct Sheet {
    char type = 0;
    char letter = 0;
    int number = 0;
    int cpi = 12;
    QByteArray customer;
    QByteArray idKind; // CUIT, CUIL, DNI...
    QByteArray idNumber;
    QByteArray address;
    char vatCondition = 0;
    QByteArray remito;
    QList<SheetLine> lines;
    QList<Payment> payments;
};

struct Totals {
    qint64 subtotal = 0;
    qint64 net = 0;
    qint64 vat = 0;
    qint64 total = 0;
};
Totals totalsOf(const Sheet& sheet);

// "0,01": cents with a decimal comma.
QString money(qint64 cents);

QString renderDocument(const Printer& printer, const Sheet& sheet, bool cancelled, const QDate& date);

struct DailyReport {
    char kind = 'X';
    int number = 0;
    int documents = 0;
    qint64 sales = 0;   // cents: invoices, debit notes and fiscal receipts
    qint64 credits = 0; // cents: credit notes
};
QString renderReport(const DailyReport& report, int width, const QDate& date);

} // namespace emu
