#include "transfer/scratch_copy.h"

#include "store/copy.h"
#include "store/db.h"

namespace brela {

ScratchCopy::ScratchCopy(Session& library) : library_(library) {}

ScratchCopy::~ScratchCopy()
{
    if (!session_)
        return;
    const QString name = session_->db.connectionName();
    session_->db.close();
    session_.reset();
    QSqlDatabase::removeDatabase(name);
}

bool ScratchCopy::load(qint16 formId, const QString& name)
{
    std::optional<FormDefinition> definition;
    try {
        definition = loadDefinition(library_.db, formId);
        if (!definition) {
            library_.op.message(QStringLiteral("No existe el formulario %1.").arg(formId), Icon::Critical, name);
            return false;
        }
        if (!session_)
            session_ = std::make_unique<Session>(openScratchDatabase(), library_.op, library_.clock, library_.folder);
        session_->units = library_.units;
        session_->form = FormState{formId, name, false};
    } catch (const DbError& error) {
        reportDbError(library_.op, error, name);
        return false;
    }
    qint16 destination = session_->workingCopy;
    return saveDefinition(*session_, *definition, name, destination);
}

} // namespace brela
