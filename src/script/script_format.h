#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>

// The ".ZON" configuration script: Windows-1252 text, one command per line,
// fields separated by "|". The generator writes it; the sender reads it with
// the functions below.
namespace brela {

// What TomaCampo returns for a field past the last one. No real field can be
// "|", since "|" separates fields.
inline const QString kEndMarker = QStringLiteral("|");
// A header text made of this one character tells the printer the header is empty.
inline constexpr QChar kDel = QChar(0x7F);

enum class Keyword { None, Tamano, Margen, Preferencia, Zona, Encabezado };

// How a command line becomes a printer command.
struct CommandFormat {
    Keyword keyword;
    QString text;              // "@TAMAÑO", "@MARGEN", ...
    int code;                  // command code of the frame
    QStringList leadingFields; // sent before the line's own values
    int lastField;             // highest field of the line that is sent (fields start at 3)
};

// Nothing for Keyword::None.
const CommandFormat* commandFormat(Keyword keyword);

// Leading and trailing spaces removed; tabs and other blanks are kept.
QString trimSpaces(const QString& text);

// Field k of a line, counted from 1, as it stands (not trimmed); kEndMarker
// past the last field. A "|" ending the line adds no empty field.
QString TomaCampo(const QString& line, int k);

// The command a line carries: its first field, trimmed and upper-cased, is one
// of the five keywords. Comments, disabled commands ("** @ZONA|..."), blank
// lines and anything else are Keyword::None. The line may still carry its
// surrounding spaces.
Keyword classifyLine(const QString& line);

// The values a command line sends after the command's leading fields, in order.
// `line` is the trimmed line. Fields 3 up to the command's last field, each
// trimmed, stopping at the first missing one; an empty field between two "|"
// is a value; fields after the last one are ignored.
// "@ENCABEZADO" gives field 3 trimmed and field 4 as it stands, or DEL when
// field 4 is DEL, blank or missing ("@ENCABEZADO|00009|05|" clears header 05);
// nothing when field 3 is missing.
QStringList valueFields(const QString& line, Keyword keyword);

// Reads a script line by line. Lines end with CR LF; a bare LF ends a line
// just the same. Bytes are decoded from Windows-1252.
class ScriptReader {
public:
    explicit ScriptReader(const QString& path) : file_(path) {}

    // False when the file cannot be opened; errorString() says why.
    bool open();
    // The next line without its line end; nothing at the end of the file or
    // after a read failure (failed() tells them apart).
    std::optional<QString> readLine();
    bool failed() const { return failed_; }
    QString errorString() const { return file_.errorString(); }

private:
    QFile file_;
    bool failed_ = false;
};

// Every line of a script held in memory, as ScriptReader would read it.
QStringList scriptLines(const QByteArray& bytes);

} // namespace brela
