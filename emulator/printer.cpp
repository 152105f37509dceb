#include "printer.h"

#include <QJsonArray>
#include <cstring>

namespace emu {

namespace {

const QByteArray kDel(1, '\x7F');

// Numbers travel as plain decimal digits; anything else is invalid data.
std::optional<int> number(const QByteArray& text, int low, int high)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

bool digitsOnly(const QByteArray& text, int maxLength)
{
    return number(text, 0, 999999999).has_value() && text.size() <= maxLength;
}

// A single character out of `set`.
bool oneOf(const QByteArray& text, const char* set)
{
    return text.size() == 1 && text[0] != '\0' && std::strchr(set, text[0]) != nullptr;
}

bool isType(const std::optional<Document>& document, const char* types)
{
    return document && std::strchr(types, document->type) != nullptr;
}

QByteArray padded(int value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

QByteArray dec(int value)
{
    return QByteArray::number(value);
}

quint16 withFiscalSummary(quint16 word)
{
    return (word & 0x01FF) ? word | status::FiscalSummary : word;
}

// Document kinds this printer issues, and the letters each takes.
const char* kFiscalTypes = "FNDR";
const char* kDocumentTypes540 = "FNDRLCE";
const char* kDocumentTypes210 = "FD";

} // namespace

Printer::Printer(PrinterSettings settings) : settings_(settings) {}

quint16 Printer::printerStatus() const
{
    // An idle printer: buffer empty, nothing that trips the summary bit.
    return status::BufferEmpty;
}

quint16 Printer::fiscalStatus() const
{
    quint16 word = status::Certified | status::Fiscalized;
    if (batteryLow_)
        word |= status::BatteryLow;
    if (closeRequired_)
        word |= status::CloseRequired;
    if (document_) {
        word |= status::DocumentOpen;
        if (std::strchr("TFIDRN", document_->type))
            word |= status::FiscalDocumentOpen;
    }
    return withFiscalSummary(word);
}

Reply Printer::answer(QList<QByteArray> fields) const
{
    return Reply{printerStatus(), fiscalStatus(), std::move(fields), 0};
}

Reply Printer::refuse(quint16 bits) const
{
    return Reply{printerStatus(), withFiscalSummary(fiscalStatus() | bits), {}, 0};
}

Reply Printer::reject(quint16 bits) const
{
    return refuse(bits);
}

std::optional<Rect> Printer::zone(int number) const
{
    const auto it = zones_.find(number);
    if (it == zones_.end())
        return std::nullopt;
    return it->second;
}

QByteArray Printer::header(int number) const
{
    const auto it = headers_.find(number);
    return it == headers_.end() ? QByteArray() : it->second;
}

std::optional<QList<QByteArray>> Printer::preference(const QByteArray& key) const
{
    const auto it = preferences_.find(key);
    if (it == preferences_.end())
        return std::nullopt;
    return it->second;
}

void Printer::leaveDocumentOpen(char type)
{
    const char letter = std::strchr("FNDRI", type) ? 'A' : 'X';
    const int number = ++lastNumbers_[QByteArray(1, type) + letter];
    document_ = Document{type, letter, number, 0, false};
}

Reply Printer::execute(int command, const QList<QByteArray>& f)
{
    switch (command) {
    case 42:
        return statusRequest(f);
    case 57:
        return dailyClose(f);
    case 68:
        return ticketPaymentOrCancel(f);
    case 73:
        return quotationText(f);
    case 74:
        return closeNonFiscal(f);
    case 90:
        return configure(f);
    case 91:
        return query(f);
    case 92:
        return transport(f);
    case 93:
        return setHeader(f);
    case 94:
        return queryHeader(f);
    case 96:
        return openDocument(f);
    case 98:
        return item(f);
    case 100:
        return paymentOrCancel(f);
    case 101:
        return closeDocument(f);
    default:
        return refuse(status::UnknownCommand);
    }
}

// --- status -----------------------------------------------------------------

Reply Printer::statusRequest(const QList<QByteArray>& f) const
{
    if (f.size() > 1)
        return refuse(status::InvalidField);
    const QByteArray letter = f.isEmpty() ? QByteArray("T") : f[0];
    const bool first = settings_.model == Model::QM210;
    if (letter == "N") {
        // Field 10 is the model code the program probes for: the first model
        // answers one of its old codes, later models a code outside them.
        return answer({first ? "QM-210F" : "QM-540F", first ? "1.04" : "2.10",
                       first ? "ORV2100012345" : "ORV5400012345", "20123456786", "0001", padded(zNumber_, 4),
                       dec(documentsSinceClose_), first ? "C" : "G"});
    }
    if (letter == "D") {
        // "0" stands for no document: it is none of the type letters.
        if (!document_)
            return answer({"0", "0", padded(0, 8), "0"});
        return answer({QByteArray(1, document_->type), QByteArray(1, document_->letter), padded(document_->number, 8),
                       dec(document_->items)});
    }
    if (letter == "T")
        return answer({dec(documentsSinceClose_), padded(zNumber_, 4), padded(xNumber_, 4)});
    if (oneOf(letter, "PCA"))
        return answer();
    return refuse(status::InvalidField);
}

// --- configuration ----------------------------------------------------------

Reply Printer::configure(const QList<QByteArray>& f)
{
    // The layout cannot change under a document being printed.
    if (document_)
        return refuse(status::InvalidState);
    if (f.size() < 2 || f[0] != "P")
        return refuse(status::InvalidField);
    const QByteArray kind = f[1];
    const QByteArray sub = f.size() > 2 ? f[2] : QByteArray();

    if (kind == "P" && sub == "S") {
        if (f.size() != 6 || f[3] != "U")
            return refuse(status::InvalidField);
        const auto width = number(f[4], 1, 255);
        const auto height = number(f[5], 1, 255);
        if (!width || !height)
            return refuse(status::InvalidField);
        sheetWidth_ = *width;
        sheetHeight_ = *height;
        return answer();
    }
    if (kind == "P" && sub == "M") {
        if (f.size() != 8 || f[3] != "U")
            return refuse(status::InvalidField);
        int values[4];
        for (int i = 0; i < 4; ++i) {
            const auto v = number(f[4 + i], 0, 255);
            if (!v)
                return refuse(status::InvalidField);
            values[i] = *v;
        }
        margins_ = Margins{values[0], values[1], values[2], values[3]};
        return answer();
    }
    if (kind == "P" && sub == "R") {
        // Paper for non-fiscal documents: roll, size, user-defined.
        if (f.size() != 7 || f[3] != "S" || f[4] != "U" || !number(f[5], 1, 255) || !number(f[6], 1, 255))
            return refuse(status::InvalidField);
        preferences_["PR"] = f;
        return answer();
    }
    if (kind == "C" && sub == "Z")
        return configureZone(f);
    if (kind == "C" && sub == "O") {
        // Subtotal offset: left column and top line; it cannot reach below
        // the item area when one is configured.
        if (f.size() != 6 || f[3] != "901")
            return refuse(status::InvalidField);
        const auto left = number(f[4], 0, 255);
        const auto top = number(f[5], 0, 255);
        if (!left || !top)
            return refuse(status::InvalidField);
        if (const auto items = zone(60); items && *top > items->bottom - items->top + 1)
            return refuse(status::InvalidField);
        preferences_["CO"] = f;
        return answer();
    }
    if (kind == "D") {
        // Station for invoices: device, sheet, document, letter, flag.
        if (f.size() != 6)
            return refuse(status::InvalidField);
        for (int i = 2; i < 6; ++i)
            if (f[i].size() != 1)
                return refuse(status::InvalidField);
        preferences_["D"] = f;
        return answer();
    }
    // Pitch of non-fiscal documents and the payments legend exist only
    // from the second model on.
    if (kind == "L") {
        if (settings_.model == Model::QM210 || f.size() != 6 || f[2] != "O" || f[3] != "N" || f[4] != "N")
            return refuse(status::InvalidField);
        const auto cpi = number(f[5], 10, 17);
        if (!cpi || (*cpi != 10 && *cpi != 12 && *cpi != 17))
            return refuse(status::InvalidField);
        preferences_["L"] = f;
        return answer();
    }
    if (kind == "T") {
        if (settings_.model == Model::QM210 || f.size() != 4 || f[2] != "P" || !oneOf(f[3], "NS"))
            return refuse(status::InvalidField);
        preferences_["T"] = f;
        return answer();
    }
    return refuse(status::InvalidField);
}

Reply Printer::configureZone(const QList<QByteArray>& f)
{
    if (f.size() != 9 || f[3] != "U" || f[4].size() > 3)
        return refuse(status::InvalidField);
    const auto id = number(f[4], 1, 199);
    int values[4];
    for (int i = 0; i < 4; ++i) {
        const auto v = number(f[5 + i], 0, 255);
        if (!v)
            return refuse(status::InvalidField);
        values[i] = *v;
    }
    if (!id)
        return refuse(status::InvalidField);
    const Rect rect{values[0], values[1], values[2], values[3]};
    if (rect == Rect{}) {
        // An all-zero rectangle removes the zone.
        zones_.erase(*id);
        return answer();
    }
    if (rect.left > rect.right || rect.top > rect.bottom)
        return refuse(status::InvalidField);
    if (settings_.model == Model::QM210 && *id == 70) {
        // The first model prints subtotals at the end of the item area, so
        // zone 070 must end exactly where zone 060 ends.
        const auto items = zone(60);
        if (!items || items->bottom != rect.bottom)
            return refuse(status::InvalidField);
    }
    zones_[*id] = rect;
    return answer();
}

Reply Printer::query(const QList<QByteArray>& f) const
{
    if (f.size() < 3 || f[0] != "P")
        return refuse(status::InvalidField);
    if (f.size() == 3 && f[1] == "P" && f[2] == "S")
        return answer({"S", dec(sheetWidth_), dec(sheetHeight_)});
    if (f.size() == 3 && f[1] == "P" && f[2] == "M") {
        const Margins m = margins_.value_or(Margins{});
        return answer({"M", dec(m.top), dec(m.left), dec(m.bottom), dec(m.right)});
    }
    if (f.size() == 4 && f[1] == "C" && f[2] == "Z" && f[3].size() <= 3) {
        const auto id = number(f[3], 1, 199);
        if (!id)
            return refuse(status::InvalidField);
        // An undefined zone reads as all zeros, with a good status.
        const Rect r = zone(*id).value_or(Rect{});
        return answer({padded(*id, 3), dec(r.left), dec(r.top), dec(r.right), dec(r.bottom)});
    }
    if (f.size() == 4 && f[1] == "C" && f[2] == "O" && f[3] == "901") {
        const auto offset = preference("CO");
        return answer({"901", offset ? offset->at(4) : "0", offset ? offset->at(5) : "0"});
    }
    return refuse(status::InvalidField);
}

bool Printer::headerAllowed(int number) const
{
    return settings_.model == Model::QM540 || number <= 65;
}

Reply Printer::setHeader(const QList<QByteArray>& f)
{
    if (document_)
        return refuse(status::InvalidState);
    if (f.size() != 2 || f[0].size() > 3)
        return refuse(status::InvalidField);
    const auto id = number(f[0], 1, 199);
    if (!id || !headerAllowed(*id))
        return refuse(status::InvalidField);
    if (f[1].isEmpty() || f[1] == kDel)
        headers_.erase(*id);
    else
        headers_[*id] = f[1];
    return answer();
}

Reply Printer::queryHeader(const QList<QByteArray>& f) const
{
    if (f.size() != 1 || f[0].size() > 3)
        return refuse(status::InvalidField);
    const auto id = number(f[0], 1, 199);
    if (!id || !headerAllowed(*id))
        return refuse(status::InvalidField);
    const QByteArray text = header(*id);
    return answer({dec(*id), text.isEmpty() ? kDel : text});
}

// --- documents --------------------------------------------------------------

Reply Printer::openDocument(const QList<QByteArray>& f)
{
    if (document_ || closeRequired_)
        return refuse(status::InvalidState);
    const bool first = settings_.model == Model::QM210;
    if (f.size() != 19 || !oneOf(f[0], first ? kDocumentTypes210 : kDocumentTypes540))
        return refuse(status::InvalidField);
    const char type = f[0][0];
    const bool fiscal = std::strchr(kFiscalTypes, type) != nullptr;
    if (!oneOf(f[2], fiscal ? "ABC" : "X"))
        return refuse(status::InvalidField);
    const auto cpi = number(f[5], 10, 17);
    if (!cpi || (*cpi != 10 && *cpi != 12 && !(*cpi == 17 && !first)))
        return refuse(status::InvalidField);

    const char letter = f[2][0];
    const int number = ++lastNumbers_[QByteArray(1, type) + letter];
    document_ = Document{type, letter, number, 0, false};
    ++documentsSinceClose_;
    Sheet sheet;
    sheet.type = type;
    sheet.letter = letter;
    sheet.number = number;
    sheet.cpi = *cpi;
    sheet.customer = f[8];
    sheet.idKind = f[10];
    sheet.idNumber = f[11];
    sheet.address = f[13];
    sheet.vatCondition = f[7].isEmpty() ? 0 : f[7][0];
    sheet.remito = f[16];
    sheet_ = sheet;
    return answer({padded(number, 8)});
}

Reply Printer::item(const QList<QByteArray>& f)
{
    if (!isType(document_, "FNDRLEI") || document_->pageClosed)
        return refuse(status::InvalidState);
    if (f.size() != 11 || !digitsOnly(f[1], 9) || !digitsOnly(f[2], 9) || !digitsOnly(f[3], 4))
        return refuse(status::InvalidField);
    ++document_->items;
    if (sheet_) {
        SheetLine line;
        line.item = Item{f[0],
                         f[7],
                         f[1].toLongLong(),
                         f[2].toLongLong(),
                         f[3].toInt(),
                         digitsOnly(f[6], 9) ? f[6].toLongLong() : 0};
        sheet_->lines << line;
    }
    return answer();
}

Reply Printer::quotationText(const QList<QByteArray>& f)
{
    if (!isType(document_, "C"))
        return refuse(status::InvalidState);
    if (f.size() != 1)
        return refuse(status::InvalidField);
    ++document_->items;
    if (sheet_)
        sheet_->lines << SheetLine{SheetLine::Text, {}, f[0]};
    return answer();
}

Reply Printer::transport(const QList<QByteArray>& f)
{
    // Carrying a total over to the next sheet only exists on the slip
    // documents that have totals.
    if (!isType(document_, "FND"))
        return refuse(status::InvalidState);
    if (f.size() != 4 || f[0] != "D" || f[1] != "P" || f[2] != "T" || !oneOf(f[3], "OT"))
        return refuse(status::InvalidField);
    const bool closing = f[3] == "T";
    if (document_->pageClosed == closing)
        return refuse(status::InvalidState);
    document_->pageClosed = closing;
    if (sheet_)
        sheet_->lines << SheetLine{closing ? SheetLine::TransportOut : SheetLine::TransportIn, {}, {}};
    return answer();
}

Reply Printer::paymentOrCancel(const QList<QByteArray>& f)
{
    if (f.size() != 3 || !digitsOnly(f[1], 12) || !oneOf(f[2], "CT"))
        return refuse(status::InvalidField);
    if (f[2] == "C") {
        // Cancels any slip document; tickets and generic non-fiscal
        // documents have their own commands.
        if (!isType(document_, "FIDRNECL"))
            return refuse(status::InvalidState);
        print(true);
        finishDocument();
        return answer();
    }
    if (!isType(document_, kFiscalTypes) || document_->pageClosed)
        return refuse(status::InvalidState);
    if (sheet_)
        sheet_->payments << Payment{f[0], f[1].toLongLong()};
    return answer();
}

Reply Printer::ticketPaymentOrCancel(const QList<QByteArray>& f)
{
    if (f.size() != 3 || !digitsOnly(f[1], 12) || !oneOf(f[2], "CT"))
        return refuse(status::InvalidField);
    if (!isType(document_, "T"))
        return refuse(status::InvalidState);
    if (f[2] == "C")
        finishDocument();
    return answer();
}

Reply Printer::closeNonFiscal(const QList<QByteArray>& f)
{
    if (f.size() != 1 || f[0] != "T")
        return refuse(status::InvalidField);
    if (!isType(document_, "OH"))
        return refuse(status::InvalidState);
    finishDocument();
    return answer();
}

Reply Printer::closeDocument(const QList<QByteArray>& f)
{
    if (!isType(document_, kDocumentTypes540) || document_->pageClosed)
        return refuse(status::InvalidState);
    if (f.size() != 3 || f[0] != QByteArray(1, document_->type) || f[1] != QByteArray(1, document_->letter)
        || f[2] != "FINAL")
        return refuse(status::InvalidField);
    const int number = document_->number;
    if (sheet_) {
        // The day's totals count what was actually printed as fiscal.
        const qint64 total = totalsOf(*sheet_).total;
        if (sheet_->type == 'N')
            credits_ += total;
        else if (std::strchr(kFiscalTypes, sheet_->type))
            sales_ += total;
    }
    print(false);
    finishDocument();
    return answer({padded(number, 8)});
}

void Printer::print(bool cancelled)
{
    if (sheet_)
        printed_ << renderDocument(*this, *sheet_, cancelled, QDate::currentDate());
}

void Printer::finishDocument()
{
    document_.reset();
    sheet_.reset();
    if (documentsSinceClose_ >= settings_.documentsBeforeClose)
        closeRequired_ = true;
}

Reply Printer::dailyClose(const QList<QByteArray>& f)
{
    if (document_)
        return refuse(status::InvalidState);
    if (f.size() != 2 || !oneOf(f[0], "XZ") || f[1] != "P")
        return refuse(status::InvalidField);
    Reply reply;
    const auto roll = preference("PR");
    const int width = roll && roll->size() > 5 ? roll->at(5).toInt() : 48;
    printed_ << renderReport(
        DailyReport{f[0][0], f[0] == "X" ? xNumber_ + 1 : zNumber_ + 1, documentsSinceClose_, sales_, credits_}, width,
        QDate::currentDate());
    if (f[0] == "X") {
        ++xNumber_;
        reply = answer({padded(xNumber_, 4), dec(documentsSinceClose_)});
        reply.busySeconds = settings_.xCloseSeconds;
    } else {
        ++zNumber_;
        const int documents = documentsSinceClose_;
        documentsSinceClose_ = 0;
        sales_ = 0;
        credits_ = 0;
        closeRequired_ = false;
        reply = answer({padded(zNumber_, 4), dec(documents)});
        reply.busySeconds = settings_.zCloseSeconds;
    }
    return reply;
}

// --- saved state ------------------------------------------------------------

namespace {

QJsonArray bytesArray(const QList<QByteArray>& list)
{
    QJsonArray array;
    for (const QByteArray& item : list)
        array.append(QString::fromLatin1(item));
    return array;
}

QList<QByteArray> bytesList(const QJsonArray& array)
{
    QList<QByteArray> list;
    for (const auto& item : array)
        list.append(item.toString().toLatin1());
    return list;
}

QJsonArray ints(std::initializer_list<int> values)
{
    QJsonArray array;
    for (int v : values)
        array.append(v);
    return array;
}

} // namespace

// Texts are bytes on the line; Latin-1 keeps every byte value through JSON.
QJsonObject Printer::toJson() const
{
    QJsonObject json;
    json["sheet"] = ints({sheetWidth_, sheetHeight_});
    if (margins_)
        json["margins"] = ints({margins_->top, margins_->left, margins_->bottom, margins_->right});
    QJsonObject zones;
    for (const auto& [id, r] : zones_)
        zones[QString::number(id)] = ints({r.left, r.top, r.right, r.bottom});
    json["zones"] = zones;
    QJsonObject headers;
    for (const auto& [id, text] : headers_)
        headers[QString::number(id)] = QString::fromLatin1(text);
    json["headers"] = headers;
    QJsonObject preferences;
    for (const auto& [key, values] : preferences_)
        preferences[QString::fromLatin1(key)] = bytesArray(values);
    json["preferences"] = preferences;
    if (document_) {
        json["document"] = QJsonObject{
            {"type", QString(QChar(document_->type))},
            {"letter", QString(QChar(document_->letter))},
            {"number", document_->number},
            {"items", document_->items},
            {"pageClosed", document_->pageClosed},
        };
    }
    QJsonObject numbers;
    for (const auto& [key, n] : lastNumbers_)
        numbers[QString::fromLatin1(key)] = n;
    json["numbers"] = numbers;
    json["closeRequired"] = closeRequired_;
    json["documentsSinceClose"] = documentsSinceClose_;
    json["zNumber"] = zNumber_;
    json["xNumber"] = xNumber_;
    json["sales"] = static_cast<double>(sales_);
    json["credits"] = static_cast<double>(credits_);
    return json;
}

bool Printer::fromJson(const QJsonObject& json, QString& error)
{
    const auto rectOf = [](const QJsonValue& value, int out[4]) {
        const QJsonArray a = value.toArray();
        if (a.size() != 4)
            return false;
        for (int i = 0; i < 4; ++i) {
            if (!a[i].isDouble())
                return false;
            out[i] = a[i].toInt();
        }
        return true;
    };

    Printer loaded(settings_);
    const QJsonArray sheet = json["sheet"].toArray();
    if (sheet.size() != 2) {
        error = QStringLiteral("falta el tamaño de la hoja");
        return false;
    }
    loaded.sheetWidth_ = sheet[0].toInt();
    loaded.sheetHeight_ = sheet[1].toInt();
    if (json.contains("margins")) {
        int m[4];
        if (!rectOf(json["margins"], m)) {
            error = QStringLiteral("márgenes ilegibles");
            return false;
        }
        loaded.margins_ = Margins{m[0], m[1], m[2], m[3]};
    }
    const QJsonObject zones = json["zones"].toObject();
    for (auto it = zones.begin(); it != zones.end(); ++it) {
        int r[4];
        bool ok = false;
        const int id = it.key().toInt(&ok);
        if (!ok || !rectOf(it.value(), r)) {
            error = QStringLiteral("zona ilegible: ") + it.key();
            return false;
        }
        loaded.zones_[id] = Rect{r[0], r[1], r[2], r[3]};
    }
    const QJsonObject headers = json["headers"].toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it)
        loaded.headers_[it.key().toInt()] = it.value().toString().toLatin1();
    const QJsonObject preferences = json["preferences"].toObject();
    for (auto it = preferences.begin(); it != preferences.end(); ++it)
        loaded.preferences_[it.key().toLatin1()] = bytesList(it.value().toArray());
    if (json.contains("document")) {
        const QJsonObject d = json["document"].toObject();
        const QByteArray type = d["type"].toString().toLatin1();
        const QByteArray letter = d["letter"].toString().toLatin1();
        if (!oneOf(type, "TFIDRNECLOH") || !oneOf(letter, "ABCX")) {
            error = QStringLiteral("documento abierto ilegible");
            return false;
        }
        loaded.document_ =
            Document{type[0], letter[0], d["number"].toInt(), d["items"].toInt(), d["pageClosed"].toBool()};
    }
    const QJsonObject numbers = json["numbers"].toObject();
    for (auto it = numbers.begin(); it != numbers.end(); ++it)
        loaded.lastNumbers_[it.key().toLatin1()] = it.value().toInt();
    loaded.closeRequired_ = json["closeRequired"].toBool();
    loaded.documentsSinceClose_ = json["documentsSinceClose"].toInt();
    loaded.zNumber_ = json["zNumber"].toInt();
    loaded.xNumber_ = json["xNumber"].toInt();
    loaded.sales_ = static_cast<qint64>(json["sales"].toDouble());
    loaded.credits_ = static_cast<qint64>(json["credits"].toDouble());
    loaded.batteryLow_ = batteryLow_;
    *this = loaded;
    return true;
}

} // namespace emu
