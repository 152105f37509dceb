#include "store/copy.h"

#include "common/name_search.h"
#include "store/db.h"
#include "store/library.h"
#include "store/rows.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace brela {
namespace {

const QString kLockedText =
    QStringLiteral("El formulario de sistema o predefinido no puede ser modificado por el usuario.");

void deleteDefinition(QSqlDatabase& db, qint16 formId)
{
    run(db, QStringLiteral("DELETE FROM Forms WHERE FormID=?"), {formId});
    run(db, QStringLiteral("DELETE FROM Zone WHERE FormID=?"), {formId});
    run(db, QStringLiteral("DELETE FROM Message WHERE FormID=?"), {formId});
}

const QString kZoneColumns = QStringLiteral("ZoneID, ZoneDescr, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, "
                                            "ZoneMinHeight, ZoneMinWidth, ZoneRequiered, ZoneHoriFree, ZoneVisible");
const QString kMessageColumns = QStringLiteral("ZoneID, MsgID, MsgDesc, MsgText, MsgMaxLength, MsgVisible, "
                                               "MsgRequiered, MsgSystem, MsgIDOut, MsgHide");

// The Forms row under another FormID and name, never locked; `cpi`, when
// given, replaces the pitch. `changed` dates a stored form's save; the
// working copy has none.
void copyFormRow(QSqlDatabase& db, qint16 source, qint16 destination, const QString& name,
                 std::optional<int> cpi = std::nullopt, const QString& changed = QString(), int version = 0)
{
    run(db,
        QStringLiteral(
            "INSERT INTO Forms (FormID, FormDescr, FormHeight, FormWidth, FormUnit, FormCPI, "
            "FormMarTop, FormMarBot, FormMarLeft, FormMarRight, FormLock, FormItemOrder, FormPrModel, "
            "FormChanged, FormVersion) "
            "SELECT CAST(? AS INTEGER), CAST(? AS TEXT), FormHeight, FormWidth, FormUnit, "
            "COALESCE(CAST(? AS INTEGER), FormCPI), "
            "FormMarTop, FormMarBot, FormMarLeft, FormMarRight, 0, FormItemOrder, FormPrModel, CAST(? AS TEXT), "
            "CAST(? AS INTEGER) "
            "FROM Forms WHERE FormID=?"),
        {destination, name, cpi ? QVariant(*cpi) : QVariant(),
         changed.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(changed), version, source});
}

// Locks stored form `formId` for this transaction and returns its
// FormVersion (0 when it has none or is missing). A second desk saving the
// same form waits here until the first commits, then reads the first's
// version: two racing saves cannot both pass the check.
int claimVersion(QSqlDatabase& db, qint16 formId)
{
    run(db, QStringLiteral("UPDATE Forms SET FormVersion=COALESCE(FormVersion, 0) WHERE FormID=?"), {formId});
    QSqlQuery q = run(db, QStringLiteral("SELECT COALESCE(FormVersion, 0) FROM Forms WHERE FormID=?"), {formId});
    return q.next() ? q.value(0).toInt() : 0;
}

int storedVersion(QSqlDatabase& db, qint16 formId)
{
    QSqlQuery q = run(db, QStringLiteral("SELECT COALESCE(FormVersion, 0) FROM Forms WHERE FormID=?"), {formId});
    return q.next() ? q.value(0).toInt() : -1;
}

// Thrown inside the save's transaction when another desk saved the form
// since this one opened it; the transaction rolls back before the question.
struct ChangedElsewhere {};

enum class ConflictChoice { Overwrite, SaveAs, Cancel };

ConflictChoice askAboutConflict(Session& s, const QString& name)
{
    const Answer answer =
        s.op.ask(QStringLiteral("El formulario «%1» fue modificado en otro puesto después de abrirlo.\r\n\r\n"
                                "¿Desea sobrescribirlo con sus cambios? (No: guardarlo con otro nombre)")
                     .arg(name),
                 Buttons::YesNoCancel, Icon::Exclamation, QStringLiteral("GUARDAR"));
    return answer == Answer::Yes  ? ConflictChoice::Overwrite
           : answer == Answer::No ? ConflictChoice::SaveAs
                                  : ConflictChoice::Cancel;
}

void copyMessages(QSqlDatabase& db, qint16 source, qint16 destination)
{
    run(db,
        QStringLiteral("INSERT INTO Message (FormID, %1) SELECT CAST(? AS INTEGER), %1 FROM Message WHERE FormID=?")
            .arg(kMessageColumns),
        {destination, source});
}

// A library past 9998 forms goes on above the working copy's 9999:
// counting only below it would hand a new form FormID 9999 and overwrite the
// working copy.
int nextFormId(QSqlDatabase& db)
{
    QSqlQuery highest = run(db, QStringLiteral("SELECT MAX(FormID) FROM Forms WHERE ") + kStoredForms);
    int next = 1;
    if (highest.next() && !highest.value(0).isNull())
        next = highest.value(0).toInt() + 1;
    return next == kWorkingCopy ? next + 1 : next;
}

// Whoever numbers a new form in a shared library holds this lock until it is stored.
constexpr qint64 kNewFormLock = 0x4272656c62;

// In a shared library another desk may have stored a new form under the
// FormID chosen before the transaction: the next free one is taken again
// under the lock, in the transaction that stores the form.
void retakeNewId(QSqlDatabase& db, bool fresh, qint16& destination)
{
    if (!fresh || !isShared(db))
        return;
    run(db, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kNewFormLock});
    const int next = nextFormId(db);
    if (next > std::numeric_limits<qint16>::max())
        throw DbError(QStringLiteral("La biblioteca ya tiene la mayor cantidad de formularios que admite."));
    destination = static_cast<qint16>(next);
}

// Steps 1 and 2: where to copy to, and whether the operator lets us.
// `fresh` tells that `destination` is a new FormID.
bool chooseDestination(Session& s, const QString& nameB, qint16& destination, bool& fresh)
{
    bool ok = true;
    fresh = false;
    if (destination == 0) {
        QSqlQuery byName = run(s.db,
                               QStringLiteral("SELECT FormID, FormLock, FormDescr FROM Forms WHERE ") + kStoredForms
                                   + QStringLiteral(" AND FormDescr=?"),
                               {nameB});
        if (!byName.next()) {
            const int next = nextFormId(s.db);
            if (next > std::numeric_limits<qint16>::max()) {
                s.op.message(QStringLiteral("La biblioteca ya tiene la mayor cantidad de formularios que admite. "
                                            "Elimine alguno o reemplace uno existente."),
                             Icon::Information, QStringLiteral("ATENCION"));
                return false;
            }
            destination = static_cast<qint16>(next);
            fresh = true;
        } else if (asBool(byName.value(1))) {
            s.op.message(kLockedText + QStringLiteral("\r\n\r\nSi lo desea, guarde el formulario con otro nombre."),
                         Icon::Information, QStringLiteral("ATENCION"));
            ok = false;
        } else {
            const Answer answer = s.op.ask(
                QStringLiteral("Ya existe un formulario con el nombre:\r\n--> %1 <--\r\n\r\n¿ Desea reemplazarlo ?.")
                    .arg(byName.value(2).toString()),
                Buttons::OkCancel, Icon::Question, QStringLiteral("GUARDAR"));
            if (answer == Answer::Ok)
                destination = static_cast<qint16>(byName.value(0).toInt());
            else
                ok = false;
        }
    }
    if (destination != s.workingCopy) {
        QSqlQuery existing =
            run(s.db, QStringLiteral("SELECT FormDescr, FormLock FROM Forms WHERE FormID=?"), {destination});
        if (existing.next()) {
            if (asBool(existing.value(1))) {
                s.op.message(kLockedText, Icon::Information, QStringLiteral("ATENCION"));
                ok = false;
            } else {
                const Answer answer = s.op.ask(QStringLiteral("Desea reemplazar el formulario existente \r\n")
                                                   + existing.value(0).toString(),
                                               Buttons::OkCancel, Icon::Question, QStringLiteral("GUARDAR"));
                if (answer != Answer::Ok)
                    ok = false;
            }
        }
    }
    return ok;
}

void listInMenus(Session& s, qint16 formId, const QString& name)
{
    if (!s.menus)
        return;
    QSqlQuery model = run(s.db, QStringLiteral("SELECT FormPrModel FROM Forms WHERE FormID=?"), {formId});
    if (model.next())
        s.menus->addForm(isFirstModel(model.value(0).toString()), formId, name);
}

} // namespace

bool saveDefinition(Session& s, const FormDefinition& d, const QString& name, qint16& destination)
{
    try {
        bool fresh = false;
        if (!chooseDestination(s, name, destination, fresh))
            return false;
        {
            Transaction transaction(s.db);
            retakeNewId(s.db, fresh, destination);
            const int version = claimVersion(s.db, destination) + 1;
            deleteDefinition(s.db, destination);
            const FormRow& f = d.form;
            run(s.db,
                QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormHeight, FormWidth, FormUnit, FormCPI, "
                               "FormMarTop, FormMarBot, FormMarLeft, FormMarRight, FormLock, FormItemOrder, "
                               "FormPrModel, FormChanged, FormVersion) VALUES (?,?,?,?,?,?,?,?,?,?,0,?,?,?,?)"),
                {destination, name, f.FormHeight, f.FormWidth, f.FormUnit, f.FormCPI, f.FormMarTop, f.FormMarBot,
                 f.FormMarLeft, f.FormMarRight, f.FormItemOrder, f.FormPrModel, changedText(s.clock.now()), version});
            FormRows rows(s.db, destination);
            for (const ZoneRow& zone : d.zones)
                rows.insert(zone);
            for (const MessageRow& message : d.messages)
                rows.insert(message);
            transaction.commit();
        }
        listInMenus(s, destination, name);
        return true;
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return false;
    }
}

std::optional<FormDefinition> loadDefinition(QSqlDatabase& db, qint16 formId)
{
    FormRows rows(db, formId);
    std::optional<FormRow> form = rows.form();
    if (!form)
        return std::nullopt;
    FormDefinition d;
    d.form = *form;
    QSqlQuery changed = run(db, QStringLiteral("SELECT FormChanged FROM Forms WHERE FormID=?"), {formId});
    if (changed.next())
        d.changed = changed.value(0).toString();
    d.zones = rows.zones();
    d.messages = rows.messages();
    return d;
}

namespace {
bool copyForm(Session& s, qint16 source, const QString& nameB, qint16& destination, bool dropWorkingCopy, bool check,
              bool choose);
} // namespace

bool CopiaFormulario(Session& s, qint16 source, const QString& /*nameA*/, const QString& nameB, qint16& destination,
                     bool dropWorkingCopy)
{
    // Saving the working copy over the form it came from: the form must not
    // have been saved by another desk since.
    bool check =
        source == s.workingCopy && destination != 0 && destination == s.form.FormIDActual && s.form.openedVersion >= 0;
    QString name = nameB;
    bool choose = true;
    for (;;) {
        try {
            return copyForm(s, source, name, destination, dropWorkingCopy, check, choose);
        } catch (const ChangedElsewhere&) {
            check = false;
            switch (askAboutConflict(s, name)) {
            case ConflictChoice::Overwrite:
                choose = false; // the operator has just said so
                break;
            case ConflictChoice::SaveAs:
                name = askFormName(s, name);
                if (name.isEmpty())
                    return false;
                destination = 0;
                s.form.NombreActual = name;
                break;
            case ConflictChoice::Cancel:
                return false;
            }
        }
    }
}

namespace {

bool copyForm(Session& s, qint16 source, const QString& nameB, qint16& destination, bool dropWorkingCopy, bool check,
              bool choose)
{
    try {
        bool fresh = false;
        if (choose && !chooseDestination(s, nameB, destination, fresh))
            return false;

        bool locked = false;
        int version = -1;
        {
            Transaction transaction(s.db);
            retakeNewId(s.db, fresh, destination);
            if (destination != s.workingCopy) {
                version = claimVersion(s.db, destination);
                if (check && version != s.form.openedVersion)
                    throw ChangedElsewhere{};
                ++version;
            } else if (source != s.workingCopy) {
                version = storedVersion(s.db, source);
            }
            deleteDefinition(s.db, destination);
            copyFormRow(s.db, source, destination, nameB, std::nullopt,
                        destination == s.workingCopy ? QString() : changedText(s.clock.now()), std::max(version, 0));
            run(s.db,
                QStringLiteral("INSERT INTO Zone (FormID, %1, ZoneParent) SELECT CAST(? AS INTEGER), %1, ZoneParent "
                               "FROM Zone WHERE FormID=?")
                    .arg(kZoneColumns),
                {destination, source});
            copyMessages(s.db, source, destination);
            QSqlQuery lock = run(s.db, QStringLiteral("SELECT FormLock FROM Forms WHERE FormID=?"), {source});
            locked = lock.next() && asBool(lock.value(0));
            if (destination != s.workingCopy && dropWorkingCopy)
                deleteDefinition(s.db, s.workingCopy);
            transaction.commit();
        }

        s.form.FormBloqueado = locked;
        if (destination != s.workingCopy)
            s.form.FormIDActual = destination;
        if (destination != s.workingCopy || source != s.workingCopy)
            s.form.openedVersion = version;

        if (destination != 0 && destination != s.workingCopy)
            listInMenus(s, destination, nameB);
        return true;
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return false;
    }
}

} // namespace

qint16 templateForModel(QSqlDatabase& db, bool firstModel)
{
    QSqlQuery templates = run(
        db, QStringLiteral("SELECT FormID FROM Forms WHERE ") + kStoredForms + QStringLiteral(" AND FormLock<>0 AND ")
                + (firstModel ? QStringLiteral("FormPrModel='QM210'") : QStringLiteral("FormPrModel<>'QM210'"))
                + QStringLiteral(" ORDER BY FormID"));
    if (templates.next())
        return static_cast<qint16>(templates.value(0).toInt());
    QSqlQuery any =
        run(db, QStringLiteral("SELECT FormID FROM Forms WHERE ") + kStoredForms + QStringLiteral(" ORDER BY FormID"));
    return any.next() ? static_cast<qint16>(any.value(0).toInt()) : qint16(0);
}

qint16 CopiaPlantilla(Session& s, bool firstModel)
{
    const qint16 templateId = templateForModel(s.db, firstModel);
    if (templateId == 0) {
        s.op.message(QStringLiteral("ERROR No hay ningún formulario como plantilla"), Icon::Critical,
                     QStringLiteral("ATENCION"));
        return 0;
    }

    Transaction transaction(s.db);
    deleteDefinition(s.db, s.workingCopy);
    copyFormRow(s.db, templateId, s.workingCopy, QStringLiteral("Actual Impresora"), 12);
    run(s.db,
        QStringLiteral("INSERT INTO Zone (FormID, %1) SELECT CAST(? AS INTEGER), %1 FROM Zone WHERE FormID=?")
            .arg(kZoneColumns),
        {s.workingCopy, templateId});
    copyMessages(s.db, templateId, s.workingCopy);
    transaction.commit();
    return templateId;
}

namespace {
const QString kChangedFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QString changedText(const QDateTime& when)
{
    return when.toString(kChangedFormat);
}

QDateTime changedDate(const QString& stored)
{
    return stored.isEmpty() ? QDateTime() : QDateTime::fromString(stored, kChangedFormat);
}

std::vector<FormSummary> listForms(QSqlDatabase& db)
{
    QSqlQuery q = runForwardOnly(
        db,
        QStringLiteral(
            "SELECT FormID, FormPrModel, FormCPI, FormLock, FormDescr, FormWidth, FormHeight, FormMarTop, FormMarLeft, "
            "FormChanged FROM Forms WHERE ")
            + kStoredForms + QStringLiteral(" ORDER BY FormID"));
    std::vector<FormSummary> forms;
    forms.reserve(256);
    while (q.next()) {
        FormSummary f;
        f.FormID = static_cast<qint16>(q.value(0).toInt());
        f.FormPrModel = q.value(1).toString();
        f.FormCPI = static_cast<qint16>(q.value(2).toInt());
        f.FormLock = asBool(q.value(3));
        f.FormDescr = q.value(4).toString();
        f.FormWidth = q.value(5).toDouble();
        f.FormHeight = q.value(6).toDouble();
        f.FormMarTop = q.value(7).toDouble();
        f.FormMarLeft = q.value(8).toDouble();
        f.FormChanged = q.value(9).toString();
        forms.push_back(std::move(f));
    }
    return forms;
}

std::vector<FormSummary> findForms(QSqlDatabase& db, const QString& model, const QString& search)
{
    const NameSearch words(search);
    std::vector<FormSummary> found;
    for (FormSummary& form : listForms(db))
        if ((model.isEmpty() || form.FormPrModel.compare(model, Qt::CaseInsensitive) == 0)
            && words.matches(form.FormDescr))
            found.push_back(std::move(form));
    return found;
}

qint16 findForm(QSqlDatabase& db, const QString& name)
{
    QSqlQuery byName =
        run(db, QStringLiteral("SELECT FormID FROM Forms WHERE ") + kStoredForms + QStringLiteral(" AND FormDescr=?"),
            {name});
    if (byName.next())
        return static_cast<qint16>(byName.value(0).toInt());
    bool isNumber = false;
    const int id = name.trimmed().toInt(&isNumber);
    if (isNumber && id > 0 && id != kWorkingCopy) {
        QSqlQuery byId = run(db, QStringLiteral("SELECT FormID FROM Forms WHERE FormID=?"), {id});
        if (byId.next())
            return static_cast<qint16>(id);
    }
    return 0;
}

} // namespace brela
