#pragma once

#include "printout.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <utility>

namespace emu {

enum class Model { QM210, QM540 };

// Bits of the two status words that this printer ever sets.
namespace status {
constexpr quint16 BufferEmpty = 1u << 7;
constexpr quint16 PrinterSummary = 1u << 15; // OR of printer bits 0-6

constexpr quint16 BatteryLow = 1u << 2;
constexpr quint16 UnknownCommand = 1u << 3;
constexpr quint16 InvalidField = 1u << 4;
constexpr quint16 InvalidState = 1u << 5;
constexpr quint16 Certified = 1u << 9;
constexpr quint16 Fiscalized = 1u << 10;
constexpr quint16 CloseRequired = 1u << 11;
constexpr quint16 FiscalDocumentOpen = 1u << 12;
constexpr quint16 DocumentOpen = 1u << 13;
constexpr quint16 FiscalSummary = 1u << 15; // OR of fiscal bits 0-8
} // namespace status

// A zone rectangle in character columns and lines, corners included.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
};

// Printable-area margins in lines and columns.
struct Margins {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    bool operator==(const Margins&) const = default;
};

struct Document {
    char type = 0;   // F, N, D, R, L, C, E; T, I, O, H only when left open by a fault
    char letter = 0; // A, B, C or X
    int number = 0;
    int items = 0;
    bool pageClosed = false; // a transport closed the page and the next one is not open yet
    bool operator==(const Document&) const = default;
};

// What the printer answers to one command: the two status words, its own
// answer fields, and how long it works before answering.
struct Reply {
    quint16 printer = 0;
    quint16 fiscal = 0;
    QList<QByteArray> fields;
    double busySeconds = 0;
};

struct PrinterSettings {
    Model model = Model::QM540;
    int documentsBeforeClose = 200;
    double xCloseSeconds = 2;
    double zCloseSeconds = 3;
};

// The fiscal printer behind the line: its configuration (sheet, margins,
// zones, headers, preferences) and its fiscal state. Knows nothing of frames.
class Printer {
public:
    explicit Printer(PrinterSettings settings);

    Reply execute(int command, const QList<QByteArray>& fields);
    // The answer to a command whose data the printer cannot read at all.
    Reply reject(quint16 bits) const;

    quint16 printerStatus() const;
    quint16 fiscalStatus() const;

    Model model() const { return settings_.model; }
    int sheetWidth() const { return sheetWidth_; }
    int sheetHeight() const { return sheetHeight_; }
    std::optional<Margins> margins() const { return margins_; }
    std::optional<Rect> zone(int number) const;
    QByteArray header(int number) const;
    std::optional<QList<QByteArray>> preference(const QByteArray& key) const;
    std::optional<Document> document() const { return document_; }
    bool closeRequired() const { return closeRequired_; }
    int documentsSinceClose() const { return documentsSinceClose_; }
    int zNumber() const { return zNumber_; }
    int xNumber() const { return xNumber_; }

    void setBatteryLow(bool low) { batteryLow_ = low; }
    // A document of `type` left open, as after a power cut in mid-print.
    void leaveDocumentOpen(char type);
    void requireClose() { closeRequired_ = true; }

    // What went on paper since the last call: documents as they end, X and Z reports.
    QStringList takePrinted() { return std::exchange(printed_, {}); }
    // Day totals since the last Z close, in cents.
    qint64 sales() const { return sales_; }
    qint64 credits() const { return credits_; }

    QJsonObject toJson() const;
    bool fromJson(const QJsonObject& json, QString& error);

private:
    Reply answer(QList<QByteArray> fields = {}) const;
    Reply refuse(quint16 bits) const;

    Reply statusRequest(const QList<QByteArray>& f) const;
    Reply configure(const QList<QByteArray>& f);
    Reply configureZone(const QList<QByteArray>& f);
    Reply query(const QList<QByteArray>& f) const;
    Reply setHeader(const QList<QByteArray>& f);
    Reply queryHeader(const QList<QByteArray>& f) const;
    Reply openDocument(const QList<QByteArray>& f);
    Reply item(const QList<QByteArray>& f);
    Reply quotationText(const QList<QByteArray>& f);
    Reply transport(const QList<QByteArray>& f);
    Reply paymentOrCancel(const QList<QByteArray>& f);
    Reply ticketPaymentOrCancel(const QList<QByteArray>& f);
    Reply closeNonFiscal(const QList<QByteArray>& f);
    Reply closeDocument(const QList<QByteArray>& f);
    Reply dailyClose(const QList<QByteArray>& f);

    bool headerAllowed(int number) const;
    void finishDocument();
    void print(bool cancelled);

    PrinterSettings settings_;
    int sheetWidth_ = 0;
    int sheetHeight_ = 0;
    std::optional<Margins> margins_;
    std::map<int, Rect> zones_;
    std::map<int, QByteArray> headers_;
    std::map<QByteArray, QList<QByteArray>> preferences_;
    std::optional<Document> document_;
    std::optional<Sheet> sheet_; // what the open document received, for its printout
    QStringList printed_;
    qint64 sales_ = 0;
    qint64 credits_ = 0;
    std::map<QByteArray, int> lastNumbers_; // per type and letter, "FA" -> 12
    bool closeRequired_ = false;
    bool batteryLow_ = false;
    int documentsSinceClose_ = 0;
    int zNumber_ = 0;
    int xNumber_ = 0;
};

} // namespace emu
