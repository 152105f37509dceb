#pragma once

#include "common/clock.h"
#include "common/operator.h"

#include <QSqlDatabase>
#include <QString>

namespace brela {

// The working copy's FormID in Facturas.db; a shared library gives each desk
// its own (Session::workingCopy).
constexpr qint16 kWorkingCopy = 9999;
inline const QString kFirstModel = QStringLiteral("QM210");
inline const QString kSecondModel = QStringLiteral("QM540");

// The stored form the working copy came from.
struct FormState {
    qint16 FormIDActual = 0; // 0: none; the working copy's FormID: read from the printer
    QString NombreActual;
    bool FormBloqueado = false;
    // The stored form's FormVersion when it was opened or last saved here;
    // -1: not known, nothing to compare on save.
    int openedVersion = -1;
};

// Conversion values between millimetres, rows, columns and drawing twips.
struct Units {
    qint16 CPIActual = 12;
    double TwipsPorMM = 40;
    double TwipsPorColumna = 0;
    double TwipsPorFila = 0;
    double FilasPorMM = 0;
    double ColumnasPorMM = 0;
    float FactorZoom = 1.0f;
};

void CalculaEscala(Units& units, bool trueSize);

// The main window's lists of stored forms, one pair per model.
class FormMenus {
public:
    virtual ~FormMenus() = default;
    // Creates or reuses the entries with index `formId` in both lists of the model.
    virtual void addForm(bool firstModel, qint16 formId, const QString& caption) = 0;
    virtual void removeForm(qint16 formId) = 0;
};

qint16 workingCopyOf(const QSqlDatabase& db);

// The run's shared state, created once at start-up and passed by reference.
struct Session {
    Session(QSqlDatabase database, Operator& op, Clock& clock, QString folder, QString url = {})
        : db(std::move(database)), op(op), clock(clock), folder(std::move(folder)), url(std::move(url)),
          workingCopy(workingCopyOf(db))
    {
        CalculaEscala(units, false);
    }

    QSqlDatabase db;
    Operator& op;
    Clock& clock;
    QString folder;
    // The shared library's address; empty for Facturas.db in `folder`.
    QString url;
    // This desk's working copy: the FormID its rows are edited under.
    qint16 workingCopy;
    FormState form;
    Units units;
    bool PrimerModelo = false;
    FormMenus* menus = nullptr;
    // The script the generate command or the quick configuration wrote last;
    // the script window proposes it.
    QString lastScript;
};

inline bool isFirstModel(const QString& model)
{
    return model == kFirstModel;
}

} // namespace brela
