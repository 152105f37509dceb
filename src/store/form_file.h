#pragma once

#include "store/rows.h"
#include "store/session.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace brela {

// A form file: one stored form as an indented UTF-8 JSON document that
// another desk's Brela imports, whatever its library holds.
inline const QString kFormFileFormat = QStringLiteral("brela-formulario");
constexpr int kFormFileVersion = 1;
// A form of every zone and text is a few dozen kilobytes; anything near
// this is no form, and is refused before it is read.
constexpr qint64 kFormFileMaxBytes = 1024 * 1024;
inline const QString kFormFileSuffix = QStringLiteral(".json");

// The document for `definition` under the name `name`.
QByteArray formFileBytes(const FormDefinition& definition, const QString& name);

// The definition a form file holds, or why it is refused (Spanish, for the
// operator). Every value is checked before anything is returned.
struct FormFileContent {
    std::optional<FormDefinition> definition;
    QString error;
};
FormFileContent parseFormFile(const QByteArray& bytes);
FormFileContent readFormFile(const QString& path);

// "<folder>/<name>.json", with "/" and "\" in the name turned into "-".
QString defaultFormFilePath(const QString& folder, const QString& formName);

// Writes definition `formId` (the working copy too) under `name` to `path`,
// whole or not at all. False after telling the operator.
bool exportForm(Session& session, qint16 formId, const QString& name, const QString& path);

// Stores the form of the file at `path` in the library under `name` (empty:
// the file's own name), or under the name the operator gives when `askName`
// (proposing that one), with the questions of "Guardar como". Nothing is
// stored from a refused file. The new FormID is handed back in `stored`.
bool importFormFile(Session& session, const QString& path, const QString& name, bool askName, qint16& stored);

} // namespace brela
