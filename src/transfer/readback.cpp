#include "transfer/readback.h"

#include "common/command_codes.h"
#include "common/cp1252.h"
#include "common/numbers.h"
#include "common/paths.h"
#include "common/version.h"
#include "printer/fiscal_commands.h"
#include "printer/status_words.h"
#include "store/copy.h"
#include "store/printer_copy.h"
#include "store/rows.h"
#include "transfer/layout_source.h"

#include <QSaveFile>
#include <algorithm>

namespace brela {
namespace {

constexpr int kQueryCommand = cmd::FormQuery;
constexpr int kHeaderCommand = cmd::HeaderQuery;
// Headers above this number are fixed in the first model.
constexpr int kFirstModelLastHeader = 65;
// A log this long holds more than its heading.
constexpr int kHeadingOnly = 100;

QString fmt3(int value)
{
    return zeroPad(value, 3);
}
QString num(int value)
{
    return QString::number(value);
}

const QString kFix090 = QStringLiteral("Este software corregirá el problema de la zona 090,\r\n"
                                       "para esto debe generar y enviar la configuración a la impresora\r\n\r\n");
const QString kFix060 = QStringLiteral("Este software corregirá el problema de la zona 060,\r\n"
                                       "para esto debe generar y enviar la configuración a la impresora\r\n\r\n");

using Rect = LayoutRect;

// An answer field read as a 16-bit count of rows or columns.
int answerNumber(const Reply& reply, int field)
{
    return static_cast<qint16>(roundHalfEven(textToNumber(reply.field(field))));
}

// The printer as the read-back asks it, command by command.
class PrinterSource : public LayoutSource {
public:
    PrinterSource(Session& session, PrinterLink& link) : s_(session), link_(link) {}

    std::optional<bool> firstModel() override
    {
        // Without a usable port the working copy is left alone.
        if (link_.status() == LinkStatus::Closed || link_.status() == LinkStatus::Lost) {
            s_.op.message(portUnusableText(link_), Icon::Critical, applicationTitle());
            return std::nullopt;
        }
        // A printer that does not say its model is not taken for the second
        // one: that template would ask for lines the first model refuses and
        // leave a form of the wrong model in the working copy.
        const std::optional<bool> firstModel = probeModelQM210(link_);
        if (!firstModel)
            s_.op.message(QStringLiteral("La impresora fiscal no respondió a la consulta del modelo; "
                                         "no se leyó nada y la copia de trabajo queda como estaba."),
                          Icon::Critical, applicationTitle());
        return firstModel;
    }

    QString logHeading(const QDateTime& now) const override
    {
        return QStringLiteral("Lectura actual de zonas de la impresora ")
               + now.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }

    std::optional<Rect> zone(int zone) override
    {
        if (!query(kQueryCommand, {QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("Z"), fmt3(zone)}, 7)) {
            s_.op.message(QStringLiteral("Hay problemas de comunicación con la Impresora Fiscal."), Icon::Critical,
                          QString());
            return std::nullopt;
        }
        const bool good = PFAnalizaEstado(link_, reply_, kQueryCommand);
        Rect r;
        if (good)
            r = Rect{answerNumber(reply_, 4), answerNumber(reply_, 5), answerNumber(reply_, 6),
                     answerNumber(reply_, 7)};
        if (!good || (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0)) {
            s_.op.message(QStringLiteral("Error lectura de zona ") + fmt3(zone), Icon::Information,
                          QStringLiteral("ATENCION"));
            return std::nullopt;
        }
        return r;
    }

    std::optional<std::pair<int, int>> formSize() override
    {
        if (query(kQueryCommand, {QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S")}, 4)
            && PFAnalizaEstado(link_, reply_, kQueryCommand))
            return std::pair(answerNumber(reply_, 4), answerNumber(reply_, 5));
        return std::nullopt;
    }

    Header header(int msgId) override
    {
        if (!query(kHeaderCommand, {num(msgId)}, 4))
            return {Header::Lost, QString()};
        if (!PFAnalizaEstado(link_, reply_, kHeaderCommand)) {
            s_.op.message(QStringLiteral("Error lectura de Header/Trailer ") + zeroPad(msgId, 2), Icon::None,
                          applicationTitle());
            return {Header::Keep, QString()};
        }
        return {Header::Text, reply_.field(4)};
    }

private:
    bool query(int command, const QStringList& fields, int fieldCount)
    {
        reply_ = exchange(link_, command, fields, fieldCount);
        return reply_.ok;
    }

    Session& s_;
    PrinterLink& link_;
    Reply reply_; // the last query's answer
};

// Rebuilds the working copy from a template and what the source reports.
class Reader {
public:
    Reader(Session& session, LayoutSource& source, ValidationState& validation, const ReadProgress& progress)
        : s_(session), source_(source), validation_(validation), progress_(progress)
    {
    }

    ReadBack run()
    {
        const std::optional<bool> firstModel = source_.firstModel();
        if (!firstModel)
            return result_;
        s_.PrimerModelo = *firstModel;
        if (CopiaPlantilla(s_, s_.PrimerModelo) == 0)
            return result_;
        log_ = source_.logHeading(s_.clock.now()) + kCrLf + kCrLf;
        headingSize_ = log_.size();
        ok_ = true;

        readZones();
        if (!ok_)
            return result_;
        readFormSize();
        step(QStringLiteral("Paso a leer Encabezados y Colas."));
        readHeaders();
        if (!s_.PrimerModelo)
            splitLines();
        if (ok_) {
            bool corrected = false;
            result_.validated = ValidaFormulario(s_, validation_, log_, corrected);
            if (!result_.validated)
                s_.op.message(QStringLiteral("Hubo errores irrecuperables en la definición del formulario\r\n"
                                             "Debe generarlo nuevamente a partir de alguno de los ejemplos"),
                              Icon::Critical, QStringLiteral("ERROR"));
        }
        writeLog();
        s_.op.processEvents();
        result_.ok = ok_;
        return result_;
    }

private:
    void step(const QString& text)
    {
        s_.op.status(text);
        if (progress_)
            progress_(text);
    }

    void storeZone(int zone, const Rect& r) { setWorkingZoneRect(s_.db, zone, r.left, r.top, r.right, r.bottom); }

    // Zones in ascending number: each repair relies on the zones before it.
    void readZones()
    {
        for (const ZoneRow& row : FormRows(s_.db, s_.workingCopy).zones()) {
            const int zone = row.ZoneID;
            step(QStringLiteral("Leyendo zona ") + fmt3(zone));
            const std::optional<Rect> read = source_.zone(zone);
            if (!read) {
                s_.op.beep();
                ok_ = false;
                return;
            }
            Rect r = *read;

            if (zone == 60)
                z60_ = r;
            else if (zone >= 61 && zone <= 63)
                detailLeft_[zone - 61] = r.left;
            else if (zone == 100)
                z100_ = r;
            else if (zone == 110)
                z110_ = r;
            else if (zone == 90)
                keep90BelowDetail(r);

            if (zone > 60 && zone < 70)
                widenDetail(zone, r);

            if (zone == 70)
                keep70InsideDetail(r);
            else if (zone > 60 && zone < 70) {
                r.top = z60_.top;
                r.bottom = z60_.bottom;
            } else if (zone >= 91 && zone <= 98)
                followTotals(zone, r);
            else if (zone >= 101 && zone <= 109)
                followContainer(zone, r, 100, z100_);
            else if (zone >= 111 && zone <= 119)
                followContainer(zone, r, 110, z110_);

            storeZone(zone, r);
        }
    }

    // The totals must end below the item area: when they do not, the item
    // area gives up its last two rows and the totals end where it ended.
    void keep90BelowDetail(Rect& r)
    {
        if (r.bottom > z60_.bottom) {
            z90Bottom_ = r.bottom;
            return;
        }
        log_ +=
            QStringLiteral("ERROR Zona 090") + kCrLf
            + QStringLiteral("La zona 090 debe extenderse mas filas que la 060, la aplicación le quitará 2 filas a la")
            + fmt3(90) + QStringLiteral(" es la") + num(r.left) + kCrLf
            + QStringLiteral("zona 060 y definirá el límite de la hasta donde llegaba la zona 060") + kCrLf + kFix090;
        r.bottom = z60_.bottom;
        z60_.bottom -= 2;
        setWorkingZoneBottoms(s_.db, 60, 70, z60_.bottom);
        z90Bottom_ = r.bottom;
    }

    // A detail column outside the item area widens it; rows are only reported.
    void widenDetail(int zone, const Rect& r)
    {
        QString entry;
        const QString zoneText = fmt3(zone);
        if (r.left > 0 && r.left < z60_.left) {
            entry += QStringLiteral("La columna izquierda de la zona ") + zoneText + QStringLiteral(" es la")
                     + num(r.left) + kCrLf + QStringLiteral("y la zona 060 esta definida desde") + num(z60_.left)
                     + kCrLf;
            z60_.left = r.left;
            z60Changed_ = true;
        }
        if (r.right > z60_.right) {
            entry += QStringLiteral("La columna derecha de la zona ") + zoneText + QStringLiteral(" es la")
                     + num(r.right) + kCrLf + QStringLiteral("y la zona 060 esta definida hasta") + num(z60_.right)
                     + kCrLf;
            z60_.right = r.right;
            z60Changed_ = true;
        }
        if (r.top > 0 && r.top < z60_.top)
            entry += QStringLiteral("La fila superior de la zona ") + zoneText + QStringLiteral(" es la") + num(r.top)
                     + kCrLf + QStringLiteral("y la zona 060 esta definida desde") + num(z60_.top) + kCrLf;
        if (r.bottom > z60_.bottom)
            entry += QStringLiteral("La fila inferior de la zona ") + zoneText + QStringLiteral(" es la")
                     + num(r.bottom) + kCrLf + QStringLiteral("y la zona 060 esta definida hasta") + num(z60_.bottom)
                     + kCrLf;
        if (!entry.isEmpty())
            log_ += QStringLiteral("ERROR Zona 060,") + zoneText + kCrLf + entry + kFix060;
    }

    void keep70InsideDetail(Rect& r)
    {
        // Later models may let the subtotals reach below the item area.
        const bool inside = r.top >= z60_.top && r.left >= z60_.left && r.right <= z60_.right
                            && (!s_.PrimerModelo || r.bottom <= z60_.bottom);
        if (!inside) {
            log_ += QStringLiteral("ERROR Zona ") + fmt3(70) + kCrLf
                    + QStringLiteral("La zona 060 esta definida en filas ") + num(z60_.top) + QStringLiteral("..")
                    + num(z60_.bottom) + QStringLiteral(" y columnas ") + num(z60_.left) + QStringLiteral("..")
                    + num(z60_.right) + kCrLf + QStringLiteral("La zona 070 debe estar contenida dentro") + kCrLf
                    + QStringLiteral("y esta definida en filas ") + num(r.top) + QStringLiteral("..") + num(r.bottom)
                    + QStringLiteral(" y columnas ") + num(r.left) + QStringLiteral("..") + num(r.right) + kCrLf
                    + kFix060;
            r = z60_;
        }
        if (z60Changed_ && !setWorkingZoneRect(s_.db, 60, z60_.left, z60_.top, z60_.right, z60_.bottom))
            s_.op.message(QStringLiteral("Falta la zona 060"), Icon::Critical,
                          QStringLiteral("Error de integridad de la base de datos."));
    }

    // The totals' parts span from below the item area to the end of the totals.
    void followTotals(int zone, Rect& r)
    {
        if (r.bottom != z90Bottom_)
            log_ += QStringLiteral("ERROR Zona 090,") + fmt3(zone) + kCrLf
                    + QStringLiteral("La fila inferior de la zona ") + fmt3(zone) + QStringLiteral(" es la")
                    + num(r.bottom) + kCrLf + QStringLiteral("y la zona 090 esta definida hasta") + num(z90Bottom_)
                    + kCrLf + kFix090;
        r.top = z60_.bottom + 1;
        r.bottom = z90Bottom_;
    }

    void followContainer(int zone, Rect& r, int container, const Rect& c)
    {
        if (r.top != c.top || r.bottom != c.bottom)
            log_ += QStringLiteral("ERROR Zona ") + num(container) + QStringLiteral(",") + fmt3(zone) + kCrLf
                    + QStringLiteral("La zona ") + fmt3(zone) + QStringLiteral(" esta definida desde ") + num(r.top)
                    + QStringLiteral(" hasta ") + num(r.bottom) + kCrLf + QStringLiteral("y la zona ") + num(container)
                    + QStringLiteral(" esta definida desde ") + num(c.top) + QStringLiteral(" hasta ") + num(c.bottom)
                    + kCrLf + QStringLiteral("para esto debe generar y enviar la configuración a la impresora") + kCrLf
                    + kCrLf;
        r.top = c.top;
        r.bottom = c.bottom;
    }

    void readFormSize()
    {
        int width = 0;
        int height = 0;
        if (const std::optional<std::pair<int, int>> size = source_.formSize()) {
            width = size->first;
            height = size->second;
        } else {
            ok_ = false;
        }
        s_.units.CPIActual = cpiForColumns(width);
        CalculaEscala(s_.units, false);

        FormRows rows(s_.db, s_.workingCopy);
        std::optional<FormRow> form = rows.form();
        if (!form)
            return;
        form->FormHeight = static_cast<double>(roundHalfEven(height / (6 / 25.4)));
        form->FormWidth = static_cast<double>(roundHalfEven(width / (s_.units.CPIActual / 25.4)));
        form->FormMarTop = form->FormMarBot = form->FormMarLeft = form->FormMarRight = 0;
        form->FormCPI = s_.units.CPIActual;
        form->FormPrModel = s_.PrimerModelo ? kFirstModel : kSecondModel;
        form->FormItemOrder = itemOrderFromColumns(detailLeft_[0], detailLeft_[1], detailLeft_[2]);
        rows.update(*form);
    }

    // Lines that were not asked for keep the template's text.
    void readHeaders()
    {
        for (const MessageRow& m : FormRows(s_.db, s_.workingCopy).messages()) {
            if (m.MsgID >= 200)
                break;
            if (ok_ && (m.MsgID <= kFirstModelLastHeader || !s_.PrimerModelo)) {
                const LayoutSource::Header line = source_.header(m.MsgID);
                if (line.kind == LayoutSource::Header::Lost) {
                    ok_ = false;
                } else if (line.kind == LayoutSource::Header::Text) {
                    const bool empty = line.text.isEmpty() || line.text == QString(QChar(pf::DEL));
                    setWorkingMessage(s_.db, m.MsgID, empty ? QString() : line.text, !empty);
                }
            }
            step(QStringLiteral("Leyendo Mensaje ") + num(m.MsgID));
        }
    }

    // A line printed across several zones comes back whole: each zone's
    // message takes its columns of it, the line keeps what lies beyond.
    void splitLines()
    {
        const std::vector<SplitPart> parts = workingSplitParts(s_.db);
        QString full;
        for (size_t i = 0; i < parts.size(); ++i) {
            const SplitPart& part = parts[i];
            if (i == 0 || part.msgIdOut != parts[i - 1].msgIdOut)
                full = QString(std::max(part.zoneLeft, 0), QLatin1Char(' ')) + part.fullText;
            if (full.trimmed().isEmpty()) {
                hideWorkingMessage(s_.db, part.msgId);
            } else {
                const QString piece = rightTrimmed(full.mid(part.zoneLeft, part.zoneRight - part.zoneLeft + 1));
                setWorkingMessage(s_.db, part.msgId, piece, !piece.isEmpty());
            }
            const bool lastOfLine = i + 1 == parts.size() || parts[i + 1].msgIdOut != part.msgIdOut;
            if (lastOfLine) {
                const QString rest = rightTrimmed(full.mid(part.zoneRight + 1));
                setWorkingMessage(s_.db, part.msgIdOut, rest, !rest.isEmpty());
            }
        }
    }

    static QString rightTrimmed(const QString& text)
    {
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1).isSpace())
            --end;
        return text.left(end);
    }

    void writeLog()
    {
        const QString path = folderFile(s_.folder, kReadBackLog);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(toCp1252(log_)) < 0 || !file.commit()) {
            s_.op.message(QStringLiteral("No se puede escribir ") + path + QStringLiteral(": ") + file.errorString(),
                          Icon::Critical, applicationTitle());
            result_.log = log_;
            return;
        }
        result_.log = log_;
        result_.logPath = path;
        if (log_.size() > std::max<qsizetype>(kHeadingOnly, headingSize_)) {
            s_.op.openInEditor(path);
            result_.logOpened = true;
        }
    }

    Session& s_;
    LayoutSource& source_;
    ValidationState& validation_;
    const ReadProgress& progress_;
    ReadBack result_;
    QString log_;
    qsizetype headingSize_ = 0;
    bool ok_ = false;
    Rect z60_;
    Rect z100_;
    Rect z110_;
    bool z60Changed_ = false;
    int z90Bottom_ = 0;
    int detailLeft_[3] = {0, 0, 0};
};

} // namespace

QString itemOrderFromColumns(int c, int d, int p)
{
    if (c < d && d < p)
        return QStringLiteral("CDP");
    if (c < p && p < d)
        return QStringLiteral("CPD");
    if (d < p && p < c)
        return QStringLiteral("DPC");
    if (d < c && c < p)
        return QStringLiteral("DCP");
    if (p < c && c < d)
        return QStringLiteral("PCD");
    if (p < d && d < c)
        return QStringLiteral("PDC");
    return QString();
}

qint16 cpiForColumns(int columns)
{
    if (columns < 72)
        return 10;
    return columns < 102 ? 12 : 17;
}

ReadBack LeeConfiguracion(Session& session, PrinterLink& link, ValidationState& validation,
                          const ReadProgress& progress)
{
    PrinterSource printer(session, link);
    return readLayout(session, printer, validation, progress);
}

ReadBack readLayout(Session& session, LayoutSource& source, ValidationState& validation, const ReadProgress& progress)
{
    try {
        return Reader(session, source, validation, progress).run();
    } catch (const DbError& error) {
        // Stopping is the safe answer: the working copy would be half read.
        reportDbError(session.op, error);
        return ReadBack{};
    }
}

} // namespace brela
