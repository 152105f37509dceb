#pragma once

#include <QByteArray>
#include <QString>

namespace brela {

// Line end of scripts, logs and the printer's texts.
inline const QString kCrLf = QStringLiteral("\r\n");

// Scripts and the serial line carry Windows-1252, one byte per character.
// A character the code page cannot hold becomes '?'.
QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);

} // namespace brela

namespace brela {

// Replaces the file `path` whole with `text` in Windows-1252, every line
// ending in CR LF as the generator writes them; on failure the file is left
// as it was and `error` says why.
bool writeCp1252File(const QString& path, const QString& text, QString& error);

} // namespace brela
