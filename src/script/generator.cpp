#include "script/generator.h"

#include "common/cp1252.h"
#include "common/numbers.h"
#include "common/paths.h"
#include "common/version.h"
#include "store/db.h"
#include "store/headers.h"
#include "store/printed_zone.h"
#include "store/rows.h"
#include "script/script_format.h"

#include <QDir>
#include <QSaveFile>
#include <algorithm>
#include <vector>

namespace brela {
namespace {

// A failure that ends the run; `text` is the system's description.
struct GenerationError {
    QString text;
};

// The script under construction: a temporary file next to the final one,
// renamed over it by commit(). Dropped unrenamed when the run fails.
class ScriptFile {
public:
    explicit ScriptFile(const QString& name) : file_(name), name_(name)
    {
        if (!file_.open(QIODevice::WriteOnly))
            fail();
    }

    void line(const QString& text = QString())
    {
        const QByteArray bytes = toCp1252(text) + "\r\n";
        if (file_.write(bytes) != bytes.size())
            fail();
    }

    void commit()
    {
        if (!file_.commit())
            fail();
    }

private:
    // The system's words alone (often English) do not say which file.
    [[noreturn]] void fail()
    {
        throw GenerationError{QStringLiteral("No se puede escribir el archivo %1: %2").arg(name_, file_.errorString())};
    }

    QSaveFile file_;
    QString name_;
};

// Every line end of the text becomes CR LF, as in the rest of the script.
QString withCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            out += QLatin1Char('\r');
        out += text[i];
    }
    return out;
}

class Generator {
public:
    Generator(Session& session, ScriptFile& out, const FormRow& form, const QString& fileName)
        : s_(session), out_(out), form_(form), fileName_(fileName), firstModel_(isFirstModel(form.FormPrModel))
    {
        // The sheet's columns and lines follow the form's own pitch, whatever the session shows.
        units_.CPIActual = form.FormCPI;
        CalculaEscala(units_, false);
    }

    void run(const QString& validationText)
    {
        title();
        s_.op.status(QStringLiteral("Abro archivo de Salida."));

        const double columnsPerMm = units_.ColumnasPorMM;
        int columns = static_cast<int>(roundHalfEven(form_.FormWidth * columnsPerMm));
        const int columns12 = static_cast<int>(roundHalfEven(form_.FormWidth * columnsPerMm * 12 / form_.FormCPI));
        const int lines = static_cast<int>(roundHalfEven(form_.FormHeight * units_.FilasPorMM));

        introduction();
        const int widest = 8 * form_.FormCPI;
        if (columns > widest) {
            out_.line(
                QStringLiteral("El formulario tiene %1 columnas. Se ajusta a %2 columnas.").arg(columns).arg(widest));
            columns = widest;
        }
        if (!validationText.isEmpty()) {
            out_.line(withCrLf(validationText));
            out_.line();
        }

        fixedCommands(columns, columns12, lines);
        zones();

        s_.op.status(QStringLiteral("Voy a procesar Encabezados y Colas."));
        mergeHeaderTexts(s_.db);
        headers();
    }

private:
    QString next() { return zeroPad(++counter_, 5); }

    void title()
    {
        out_.line((QStringLiteral("** Formulario: ") + fileName_).leftJustified(60) + QStringLiteral(" Fecha ")
                  + s_.clock.now().toString(QStringLiteral("dd/MM/yyyy")));
        out_.line();
    }

    void introduction()
    {
        out_.line(QStringLiteral("** DEFINICION GENERAL DEL FORMULARIO    *****"));
        out_.line(QStringLiteral("** Se recomienda no editar este Archivo *****"));
        out_.line();
        out_.line(QStringLiteral("Hecho con Software: ") + programName() + QStringLiteral(".exe   Versión:")
                  + versionText() + QStringLiteral("  .") + kCrLf);
        out_.line();
        out_.line(QStringLiteral("NOTA IMPORTANTE:"));
        out_.line(QStringLiteral("Los modelo posteriores a ORVAN QM-210F(HK-512)reconocen "));
        out_.line(QStringLiteral("nuevos headers que en la QM-210F son fijos. Si se utiliza  "));
        out_.line(QStringLiteral("un diseño generado para estos modelos en la Impresora "));
        out_.line(QStringLiteral("Fiscal ORVAN QM-210F(HK-512), cuándo se envián los datos "));
        out_.line(QStringLiteral("se producirán errores de datos inválidos, pero seleccionando "));
        out_.line(QStringLiteral("continuar,la impresora quedará correctamente configurada. "));
        out_.line();
        out_.line(QStringLiteral("** Se recomienda no editar este Archivo *****"));
        out_.line();
    }

    void fixedCommands(int columns, int columns12, int lines)
    {
        s_.op.status(QStringLiteral("Proceso el tamaño de la Hoja."));
        out_.line(QStringLiteral("** Configura el tamaño de la hoja, calculando las líneas para 1/6 de pulgada y"));
        out_.line(QStringLiteral("** las columnas en %1 caracteres por pulgada").arg(form_.FormCPI));
        out_.line(QStringLiteral("** @TAMAÑO | nnnnn | Columnas | Lineas "));
        out_.line(QStringLiteral("@TAMAÑO|%1|%2|%3").arg(next()).arg(columns).arg(lines));
        out_.line();

        s_.op.status(QStringLiteral("Indico la estación donde se emiten las Facturas."));
        out_.line(
            QStringLiteral("** Esta instruccion configura la estacion para la emision Facturas A por Main Sheet"));
        out_.line(QStringLiteral("** no se debe eliminar"));
        out_.line(QStringLiteral(
            "** @PREFERENCIA | nnnnn | Impresora | Dispositivo | Hoja principal | Factura | letra | ?? "));
        out_.line(QStringLiteral("@PREFERENCIA|%1|P|D|M|F|A|N").arg(next()));
        out_.line();

        out_.line(QStringLiteral("** Esta instruccion configura la estacion para la emision de documento no fiscal,"));
        out_.line(QStringLiteral("** se calcula en base a 12 CPI fijos con 48 columnas como mínimo y"));
        out_.line(QStringLiteral("** 6 LPI con 60 filas como mínimo."));
        out_.line(QStringLiteral("** no debe eliminarse, si es necesario se puede modificar"));
        out_.line(QStringLiteral(
            "** @PREFERENCIA | nnnnn | Impresora | Papel | Rollo | Tamaño | Usuario | Columnas | Filas"));
        out_.line(QStringLiteral("@PREFERENCIA|%1|P|P|R|S|U|%2|%3")
                      .arg(next())
                      .arg(std::max(columns12, 48))
                      .arg(std::max(lines, 60)));
        out_.line();

        if (firstModel_)
            return;
        out_.line(QStringLiteral("** Seteos de CPI en Documentos No Fiscales."));
        out_.line(QStringLiteral("@PREFERENCIA|%1|P|L|O|N|N|12").arg(next()));
        out_.line();
        out_.line(QStringLiteral(
            "** Esta instrucción configura la impresión de la leyenda de Total de sus pagos/Su vuelto."));
        out_.line(QStringLiteral("** Es recomendable no bloquear la impresión de dichas líneas."));
        out_.line(QStringLiteral("** Solo funciona en modelos QM540F y posteriores"));
        out_.line(QStringLiteral("** Instrucción para NO imprimir"));
        out_.line(QStringLiteral("** @PREFERENCIA|%1|P|T|P|N").arg(next()));
        out_.line(QStringLiteral("** Instrucción para SI imprimir"));
        out_.line(QStringLiteral("** @PREFERENCIA|%1|P|T|P|S").arg(next()));
        out_.line();
        out_.line(QStringLiteral("** Esta instrucción cambia el mensaje que sale como título de los PAGOS"));
        out_.line(QStringLiteral("** Es recomendable no modificarla, solo funciona en modelos QM540F y posteriores"));
        out_.line(QStringLiteral("** @ENCABEZADO|%1|70|RECIBI/MOS").arg(next()));
        out_.line();
    }

    void zones()
    {
        out_.line(QStringLiteral("** DEFINICION DE ZONAS"));
        out_.line();
        out_.line(
            QStringLiteral("** @ZONA |Linea de referencia (para LOTEADOR) | Número de Zona | "
                           "Coordenada X del punto superior Izquiero | Coordenada Y del punto superior Izquiero | "
                           "Coordenada X  del punto inferior derecho | Coordenada Y punto inferior derecho"));
        out_.line(QStringLiteral(" "));

        const std::vector<ZoneRow> rows = FormRows(s_.db, s_.workingCopy).zones();
        int detailLines = 1; // zone 060's, the subtotal offset's default
        for (const ZoneRow& zone : rows) {
            s_.op.status(QStringLiteral("Proceso Zona %1").arg(zone.ZoneID));
            s_.op.processEvents();

            if (zone.ZoneID == 60)
                detailLines = zone.ZoneBot - zone.ZoneTop + 1;
            else if (zone.ZoneID == 70)
                subtotalOffset(detailLines);

            // The sheet view draws each zone through the same function, so the two cannot part.
            const PrintedRect printed = printedZone(form_, rows, zone);
            const int x1 = printed.left;
            const int y1 = printed.top;
            const int x2 = printed.right;
            const int y2 = printed.bottom;
            // Concatenated, not arg()-chained: a description may hold "%1".
            out_.line(QStringLiteral("** ZONA(") + zeroPad(zone.ZoneID, 3) + QStringLiteral(") ") + zone.ZoneDescr
                      + QStringLiteral(" ** Quedaría Ancho(x)=") + QString::number(x2 - x1 + 1)
                      + QStringLiteral(" y Altura(y)=") + QString::number(y2 - y1 + 1));
            out_.line(QStringLiteral("@ZONA|%1|%2|%3|%4|%5|%6")
                          .arg(next(), zeroPad(zone.ZoneID, 3), zeroPad(x1, 2), zeroPad(y1, 2), zeroPad(x2, 2),
                               zeroPad(y2, 2)));
            out_.line();
        }
    }

    void subtotalOffset(int detailLines)
    {
        out_.line(QStringLiteral("** Esta instruccion configura el offset que se usará para imprimir los subtotales"));
        out_.line(QStringLiteral("** debe ser menor o igual a las filas de la zona 60, por omisión se toma "));
        out_.line(QStringLiteral("** las filas de la zona 60"));
        out_.line(
            QStringLiteral("** @PREFERENCIA | nnnnn | Impresora | Comando | Offset | 901 | izquierdo | Superior "));
        out_.line(QStringLiteral("@PREFERENCIA|%1|P|C|O|901|0|%2").arg(next()).arg(detailLines));
        out_.line();
    }

    void header(const QString& number, const QString& comment, bool visible, const QString& text)
    {
        out_.line(QStringLiteral("** HEADER/TRAILER (%1) %2").arg(number, comment));
        out_.line(QStringLiteral("@ENCABEZADO|%1|%2|%3").arg(next(), number, visible ? text : QString(kDel)));
        out_.line();
    }

    void headers()
    {
        out_.line(QStringLiteral("** DEFINICION DE HEADERS y TRAILERS"));
        out_.line();
        for (const MessageRow& m : FormRows(s_.db, s_.workingCopy).messages()) {
            if (m.MsgID >= 200)
                break;
            // The first model's headers above 65 are fixed.
            if (m.MsgID > 65 && firstModel_)
                continue;
            s_.op.status(QStringLiteral("Proceso Encabezados/Cola %1").arg(m.MsgID));
            s_.op.processEvents();
            if (m.MsgSystem)
                continue;
            const QString number = zeroPad(m.MsgID, 2);
            header(number, m.MsgVisible ? m.MsgDesc : m.MsgDesc + QStringLiteral(" - Vacio"), m.MsgVisible, m.MsgText);
            // The commercial address is also the header of non-fiscal documents.
            if (m.MsgID >= 50 && m.MsgID <= 52)
                header(zeroPad(m.MsgID - 44, 2), QStringLiteral("Domicilio comercial para DNF"), m.MsgVisible,
                       m.MsgText);
        }
    }

    Session& s_;
    ScriptFile& out_;
    const FormRow& form_;
    const QString& fileName_;
    const bool firstModel_;
    Units units_;
    int counter_ = 0;
};

} // namespace

QString defaultScriptName(const QString& folder, const QString& formName, int cpi, const QString& model)
{
    QString name = trimSpaces(formName) + QStringLiteral(" (") + QString::number(cpi) + QStringLiteral("CPI-") + model
                   + QStringLiteral(").ZON");
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QLatin1Char('\\'), QLatin1Char('-'));
    return QDir::toNativeSeparators(folderFile(folder, name));
}

bool GeneraConfig(Session& session, const QString& validationText, QString& fileName, bool quiet)
{
    bool failed = false;
    QString failure;
    try {
        const std::optional<FormRow> form = FormRows(session.db, session.workingCopy).form();
        if (!form)
            throw GenerationError{QStringLiteral("No hay ningún formulario abierto.")};
        if (form->FormCPI == 0)
            throw GenerationError{QStringLiteral("División por cero.")};
        if (fileName.isEmpty())
            fileName = defaultScriptName(session.folder, session.form.NombreActual, form->FormCPI, form->FormPrModel);

        ScriptFile out(fileName);
        Generator(session, out, *form, fileName).run(validationText);
        out.commit();
    } catch (const GenerationError& error) {
        failed = true;
        failure = error.text;
    } catch (const DbError& error) {
        failed = true;
        failure = error.text;
    }

    if (failed) {
        session.op.message(failure, Icon::Critical, applicationTitle());
        if (!quiet)
            session.op.message(QStringLiteral("Hubo error al crear el archivo ") + fileName + QStringLiteral("."),
                               Icon::None, applicationTitle());
        session.op.status(QStringLiteral("Errores en la Generación."));
        return false;
    }

    if (!quiet)
        session.op.message(QStringLiteral("Se ha creado el archivo:") + fileName + QStringLiteral(" con exito.") + kCrLf
                               + kCrLf
                               + QStringLiteral("El archivo creado esta en formato TEXTO y puede ser usado como "
                                                "referencia para conocer todos los pasos necesarios para la "
                                                "configuración de las Zonas."),
                           Icon::Information, applicationTitle());
    session.op.status(QStringLiteral("Finalizada la Generación."));
    return true;
}

} // namespace brela
