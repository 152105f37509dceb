#include "emulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <utility>

namespace emu {

namespace {

// The longest field data a host may send, plus sequence and command bytes.
constexpr int kMaxBody = 2 + 2048;

// Stray bytes of a noisy line: none of them is a control byte of the protocol.
const QByteArray kGarbage("\x7E\xA5\x31\xFF", 4);
// A noisy line's burst: more than any input buffer of the host holds.
constexpr qsizetype kBurst = 3000;

// Four upper-case hex digits of STX + body + ETX, modulo 65536.
QByteArray checksumOf(const QByteArray& body, int extra = 0)
{
    unsigned sum = ctl::STX + ctl::ETX + extra;
    for (char c : body)
        sum += static_cast<unsigned char>(c);
    return QByteArray::number(sum & 0xFFFF, 16).toUpper().rightJustified(4, '0');
}

QByteArray hex4(quint16 word)
{
    return QByteArray::number(word, 16).toUpper().rightJustified(4, '0');
}

QByteArray answerFrame(char sequence, char command, const Reply& reply)
{
    QByteArray body;
    body += sequence;
    body += command;
    body += ctl::FS + hex4(reply.printer);
    body += ctl::FS + hex4(reply.fiscal);
    for (const QByteArray& field : reply.fields)
        body += ctl::FS + field;
    return ctl::STX + body + ctl::ETX + checksumOf(body);
}

// The body of a built answer frame (between STX and ETX).
QByteArray bodyOf(const QByteArray& frame)
{
    return frame.mid(1, frame.size() - 6);
}

QByteArray reframe(const QByteArray& body)
{
    return ctl::STX + body + ctl::ETX + checksumOf(body);
}

bool parseCount(const QString& text, int minimum, int& count)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum)
        return false;
    count = value;
    return true;
}

} // namespace

bool parseModel(const QString& text, Model& model)
{
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("qm210"))
        model = Model::QM210;
    else if (name == QLatin1String("qm540"))
        model = Model::QM540;
    else
        return false;
    return true;
}

bool parseFault(const QString& description, Fault& fault)
{
    const QString text = description.trimmed().toLower();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? text : text.left(colon);
    const QString arg = colon < 0 ? QString() : text.mid(colon + 1);
    const bool hasArg = colon >= 0;

    static const struct {
        const char* name;
        Fault::Kind kind;
    } counted[] = {
        {"nak", Fault::Nak},
        {"silence", Fault::Silence},
        {"nakstorm", Fault::NakStorm},
        {"dc2burst", Fault::Dc2Burst},
        {"badsum", Fault::BadChecksum},
        {"wrongseq", Fault::WrongSequence},
        {"wrongcmd", Fault::WrongCommand},
        {"garbage", Fault::Garbage},
    };
    Fault parsed{Fault::Nak};
    for (const auto& entry : counted) {
        if (name == QLatin1String(entry.name)) {
            parsed.kind = entry.kind;
            if (hasArg && !parseCount(arg, 1, parsed.count))
                return false;
            fault = parsed;
            return true;
        }
    }
    if (name == QLatin1String("busy")) {
        parsed.kind = Fault::Busy;
        parsed.seconds = 5;
        if (hasArg) {
            bool ok = false;
            parsed.seconds = arg.toDouble(&ok);
            if (!ok || !(parsed.seconds > 0) || parsed.seconds > 3600)
                return false;
        }
    } else if (name == QLatin1String("hangup")) {
        parsed.kind = Fault::HangUp;
        if (hasArg && !parseCount(arg, 0, parsed.count))
            return false;
    } else if (name == QLatin1String("open")) {
        parsed.kind = Fault::DocumentOpen;
        if (hasArg) {
            const QString type = arg.toUpper();
            if (type.size() != 1 || !QStringLiteral("TFIDRNECLOH").contains(type))
                return false;
            parsed.document = type[0].toLatin1();
        }
    } else if (name == QLatin1String("battery") && !hasArg) {
        parsed.kind = Fault::LowBattery;
    } else if (name == QLatin1String("pendingclose") && !hasArg) {
        parsed.kind = Fault::PendingClose;
    } else {
        return false;
    }
    fault = parsed;
    return true;
}

Emulator::Emulator(Options options)
    : options_(std::move(options)), printer_(PrinterSettings{options_.model, options_.documentsBeforeClose,
                                                             options_.xCloseSeconds, options_.zCloseSeconds})
{
    for (const Fault& fault : options_.faults)
        addFault(fault);
    if (options_.printFile.isEmpty() && !options_.stateFile.isEmpty()) {
        const QFileInfo state(options_.stateFile);
        options_.printFile = state.dir().filePath(state.completeBaseName() + QStringLiteral("-impreso.txt"));
    }
}

Model Emulator::model() const
{
    return printer_.model();
}

bool Emulator::hungUp() const
{
    return hungUp_;
}

void Emulator::addFault(const Fault& fault)
{
    switch (fault.kind) {
    case Fault::LowBattery:
    case Fault::DocumentOpen:
    case Fault::PendingClose:
        stateFaults_.push_back(fault);
        applyStateFault(fault);
        break;
    case Fault::HangUp: {
        // Counted from now, so a fault added mid-session means "after N more".
        const int at = answers_ + fault.count;
        hangUpAt_ = hangUpAt_ < 0 ? at : std::min(hangUpAt_, at);
        break;
    }
    default:
        pending_.push_back(fault);
    }
}

void Emulator::applyStateFault(const Fault& fault)
{
    if (fault.kind == Fault::LowBattery)
        printer_.setBatteryLow(true);
    else if (fault.kind == Fault::DocumentOpen && !printer_.document())
        printer_.leaveDocumentOpen(fault.document);
    else if (fault.kind == Fault::PendingClose)
        printer_.requireClose();
}

std::optional<Fault> Emulator::takeFault(Fault::Kind kind)
{
    if (frames_ < options_.faultsFromFrame)
        return std::nullopt;
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->kind != kind)
            continue;
        const Fault fault = *it;
        if (--it->count <= 0 || kind == Fault::Busy)
            pending_.erase(it);
        return fault;
    }
    return std::nullopt;
}

QByteArray Emulator::receive(const QByteArray& bytes, double now)
{
    QByteArray out = poll(now);
    for (char c : bytes) {
        // A printer at work does not read the line; a dead one reads nothing.
        if (hungUp_ || busy_)
            break;
        switch (rx_) {
        case Rx::Idle:
            if (c == ctl::STX) {
                rx_ = Rx::Body;
                body_.clear();
            }
            break;
        case Rx::Body:
            if (c == ctl::STX) {
                body_.clear(); // a new frame starts over the broken one
            } else if (c == ctl::ETX) {
                rx_ = Rx::Checksum;
                checksum_.clear();
            } else {
                body_ += c;
                if (body_.size() > kMaxBody) {
                    rx_ = Rx::Idle;
                    out += ctl::NAK;
                }
            }
            break;
        case Rx::Checksum:
            if (c == ctl::STX) {
                rx_ = Rx::Body;
                body_.clear();
                break;
            }
            checksum_ += c;
            if (checksum_.size() == 4) {
                rx_ = Rx::Idle;
                out += frameComplete(now);
            }
            break;
        }
    }
    return out;
}

QByteArray Emulator::frameComplete(double now)
{
    ++frames_;
    if (hangUpAt_ >= 0 && answers_ >= hangUpAt_) {
        hungUp_ = true;
        return {};
    }
    if (takeFault(Fault::Silence))
        return {};
    if (takeFault(Fault::NakStorm))
        return QByteArray(kBurst, ctl::NAK);
    if (takeFault(Fault::Dc2Burst))
        return QByteArray(kBurst, ctl::DC2);
    // The check is case-sensitive: the host always sends upper-case digits.
    if (body_.size() < 2 || static_cast<unsigned char>(body_[0]) < 32 || checksum_ != checksumOf(body_))
        return QByteArray(1, ctl::NAK);

    Request request;
    request.sequence = static_cast<unsigned char>(body_[0]);
    request.command = static_cast<unsigned char>(body_[1]);
    const QByteArray data = body_.mid(2);
    const bool fieldsReadable = data.isEmpty() || data[0] == ctl::FS;
    if (fieldsReadable && !data.isEmpty())
        request.fields = data.mid(1).split(ctl::FS);
    requests_.push_back(request);

    if (takeFault(Fault::Nak))
        return QByteArray(1, ctl::NAK);

    // The same frame again (same sequence number, command and fields) is a
    // host repeating itself after losing the answer: answer it again without
    // doing the work twice. Anything else is a new command.
    if (!lastBody_.isEmpty() && body_ == lastBody_)
        return deliver(lastAnswer_, 0, now);

    const Reply reply =
        fieldsReadable ? printer_.execute(request.command, request.fields) : printer_.reject(status::InvalidField);
    const QByteArray answer = answerFrame(body_[0], body_[1], reply);
    lastBody_ = body_;
    lastAnswer_ = answer;
    appendPrinted();
    if (!options_.stateFile.isEmpty()) {
        QString error;
        if (!saveState(error))
            stateError_ = error;
    }
    return deliver(answer, reply.busySeconds, now);
}

QByteArray Emulator::deliver(QByteArray answer, double busySeconds, double now)
{
    if (takeFault(Fault::WrongSequence)) {
        QByteArray body = bodyOf(answer);
        body[0] = static_cast<char>(static_cast<unsigned char>(body[0]) >= 127 ? 32 : body[0] + 1);
        answer = reframe(body);
    }
    if (takeFault(Fault::WrongCommand)) {
        QByteArray body = bodyOf(answer);
        body[1] = static_cast<char>((body[1] + 1) & 0x7F);
        answer = reframe(body);
    }
    if (takeFault(Fault::BadChecksum)) {
        const QByteArray body = bodyOf(answer);
        answer = ctl::STX + body + ctl::ETX + checksumOf(body, 1);
    }
    if (takeFault(Fault::Garbage))
        answer.prepend(kGarbage);
    if (const auto busy = takeFault(Fault::Busy))
        busySeconds += busy->seconds;

    if (busySeconds > 0) {
        // Working: DC2 at once and every second, the answer when done.
        busy_ = true;
        busySeconds_ += busySeconds;
        delayed_ = answer;
        nextDc2_ = now + 1;
        busyUntil_ = now + busySeconds;
        return QByteArray(1, ctl::DC2);
    }
    return sent(answer);
}

QByteArray Emulator::sent(const QByteArray& answer)
{
    ++answers_;
    if (hangUpAt_ >= 0 && answers_ >= hangUpAt_)
        hungUp_ = true;
    return answer;
}

QByteArray Emulator::poll(double now)
{
    if (hungUp_ || !busy_)
        return {};
    QByteArray out;
    while (nextDc2_ < busyUntil_ && nextDc2_ <= now) {
        out += ctl::DC2;
        nextDc2_ += 1;
    }
    if (now >= busyUntil_) {
        busy_ = false;
        out += sent(delayed_);
        delayed_.clear();
    }
    return out;
}

double Emulator::nextEventAt() const
{
    if (hungUp_ || !busy_)
        return -1;
    return nextDc2_ < busyUntil_ ? nextDc2_ : busyUntil_;
}

bool Emulator::saveState(QString& error) const
{
    QSaveFile file(options_.stateFile);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("No se pudo guardar el estado en %1: %2").arg(options_.stateFile, file.errorString());
        return false;
    }
    file.write(QJsonDocument(printer_.toJson()).toJson());
    if (!file.commit()) {
        error = QStringLiteral("No se pudo guardar el estado en %1: %2").arg(options_.stateFile, file.errorString());
        return false;
    }
    return true;
}

bool Emulator::loadState(QString& error)
{
    if (options_.stateFile.isEmpty() || !QFile::exists(options_.stateFile))
        return true;
    QFile file(options_.stateFile);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("No se pudo leer el estado de %1: %2").arg(options_.stateFile, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parseError);
    QString why = parseError.error == QJsonParseError::NoError ? QStringLiteral("no es un objeto JSON")
                                                               : parseError.errorString();
    if (json.isObject() && printer_.fromJson(json.object(), why)) {
        for (const Fault& fault : stateFaults_)
            applyStateFault(fault);
        return true;
    }
    error = QStringLiteral("El estado guardado en %1 no es válido: %2").arg(options_.stateFile, why);
    return false;
}

void Emulator::appendPrinted()
{
    const QStringList printed = printer_.takePrinted();
    if (printed.isEmpty() || options_.printFile.isEmpty())
        return;
    QFile file(options_.printFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(printed.join(QString()).toUtf8()) < 0) {
        stateError_ =
            QStringLiteral("No se pudo escribir lo impreso en %1: %2").arg(options_.printFile, file.errorString());
    }
}

QString Emulator::takeStateError()
{
    return std::exchange(stateError_, QString());
}

void Pacer::push(const QByteArray& bytes, double now)
{
    if (bytes.isEmpty())
        return;
    if (queue_.isEmpty())
        start_ = std::max(start_, now);
    queue_ += bytes;
}

QByteArray Pacer::take(double now)
{
    if (baud_ <= 0)
        return std::exchange(queue_, QByteArray());
    const double perByte = 10.0 / baud_;
    const double due = std::floor((now - start_) / perByte + 1e-9);
    const qsizetype n = due <= 0 ? 0 : std::min<qsizetype>(queue_.size(), static_cast<qsizetype>(due));
    const QByteArray out = queue_.left(n);
    queue_.remove(0, n);
    start_ += n * perByte;
    return out;
}

double Pacer::nextAt() const
{
    if (queue_.isEmpty())
        return -1;
    return baud_ <= 0 ? start_ : start_ + 10.0 / baud_;
}

} // namespace emu
