#include "edit/form_editor.h"

#include "common/cp1252.h"
#include "common/numbers.h"
#include "store/db.h"

#include <QUndoCommand>
#include <algorithm>

namespace brela {
namespace {

// The step rules speak through boxes; during a drag they must not stop the
// mouse, so their words are kept for the status bar instead.
class QuietOperator : public Operator {
public:
    explicit QuietOperator(Operator& real) : real_(real) {}
    // The status bar has one line; the texts keep their own spacing.
    void message(const QString& text, Icon, const QString&) override { last = QString(text).replace(kCrLf, " "); }
    Answer ask(const QString&, Buttons buttons, Icon, const QString&) override { return negativeAnswer(buttons); }
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void status(const QString&) override {}
    void processEvents() override {}
    void beep() override {}
    void openInEditor(const QString& path) override { real_.openInEditor(path); }

    QString last;

private:
    Operator& real_;
};

// The zone editor's elementary steps (0..7: grow right, down, left, up;
// shrink the same) that take one grid unit of a handle.
std::vector<int> stepsFor(Handle h, int columns, int lines)
{
    const bool right = h == Handle::Right || h == Handle::TopRight || h == Handle::BottomRight;
    const bool left = h == Handle::Left || h == Handle::TopLeft || h == Handle::BottomLeft;
    const bool bottom = h == Handle::Bottom || h == Handle::BottomLeft || h == Handle::BottomRight;
    const bool top = h == Handle::Top || h == Handle::TopLeft || h == Handle::TopRight;
    const bool body = h == Handle::Body;
    if (columns > 0)
        return body    ? std::vector<int>{0, 6}
               : right ? std::vector<int>{0}
               : left  ? std::vector<int>{6}
                       : std::vector<int>{};
    if (columns < 0)
        return body    ? std::vector<int>{2, 4}
               : right ? std::vector<int>{4}
               : left  ? std::vector<int>{2}
                       : std::vector<int>{};
    if (lines > 0)
        return body     ? std::vector<int>{1, 7}
               : bottom ? std::vector<int>{1}
               : top    ? std::vector<int>{7}
                        : std::vector<int>{};
    if (lines < 0)
        return body     ? std::vector<int>{3, 5}
               : bottom ? std::vector<int>{5}
               : top    ? std::vector<int>{3}
                        : std::vector<int>{};
    return {};
}

template <typename Row>
void differ(const std::map<int, Row>& a, const std::map<int, Row>& b, std::map<int, Row>& outA,
            std::map<int, Row>& outB)
{
    for (const auto& [id, row] : a) {
        const auto other = b.find(id);
        if (other == b.end() || !(other->second == row))
            outA[id] = row;
    }
    for (const auto& [id, row] : b) {
        const auto other = a.find(id);
        if (other == a.end() || !(other->second == row))
            outB[id] = row;
    }
}

class RowsCommand : public QUndoCommand {
public:
    RowsCommand(FormEditor& editor, const QString& text, RowsChange change)
        : QUndoCommand(text), editor_(editor), change_(std::move(change))
    {
    }
    void undo() override { editor_.apply(change_.before); }
    void redo() override
    {
        // Pushed after the change was made: the first redo has nothing to do.
        if (done_)
            editor_.apply(change_.after);
        done_ = true;
    }

private:
    FormEditor& editor_;
    RowsChange change_;
    bool done_ = false;
};

QString zoneCaption(int zoneId)
{
    return zeroPad(zoneId, 3);
}

} // namespace

FormSnapshot takeSnapshot(FormRows& rows)
{
    FormSnapshot s;
    s.form = rows.form();
    for (ZoneRow& z : rows.zones())
        s.zones.emplace(z.ZoneID, std::move(z));
    for (MessageRow& m : rows.messages())
        s.messages.emplace(m.MsgID, std::move(m));
    return s;
}

bool RowsChange::empty() const
{
    return !before.form && !after.form && before.zones.empty() && after.zones.empty() && before.messages.empty()
           && after.messages.empty();
}

RowsChange difference(const FormSnapshot& before, const FormSnapshot& after)
{
    RowsChange c;
    if (!(before.form == after.form)) {
        c.before.form = before.form;
        c.after.form = after.form;
    }
    differ(before.zones, after.zones, c.before.zones, c.after.zones);
    differ(before.messages, after.messages, c.before.messages, c.after.messages);
    return c;
}

FormEditor::FormEditor(Session& session, MapaOcupacion& grid, QObject* parent)
    : QObject(parent), session_(session), grid_(grid), rows_(session.db, session.workingCopy)
{
    connect(&history_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
}

void FormEditor::reset()
{
    drag_.reset();
    history_.clear();
    selected_ = 0;
    emit selectionChanged(0);
    readRows();
}

void FormEditor::reload()
{
    readRows();
    history_.resetClean();
}

void FormEditor::readRows()
{
    try {
        form_ = rows_.form();
        zones_ = rows_.zones();
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
        form_.reset();
        zones_.clear();
    }
    fillGrid(grid_, zones_);
    findings_ = form_ ? checkForm(form_, zones_, scratch_) : std::vector<Finding>{};
    emit rowsChanged();
    emit findingsChanged();
}

const ZoneRow* FormEditor::zone(int zoneId) const
{
    const auto found =
        std::lower_bound(zones_.begin(), zones_.end(), zoneId, [](const ZoneRow& z, int id) { return z.ZoneID < id; });
    return found != zones_.end() && found->ZoneID == zoneId ? &*found : nullptr;
}

bool FormEditor::selectable(int zoneId) const
{
    const ZoneRow* z = zone(zoneId);
    return z && (z->ZoneVisible || isContainer(zoneId));
}

void FormEditor::select(int zoneId)
{
    if (zoneId != 0 && !selectable(zoneId))
        return;
    if (zoneId == selected_)
        return;
    selected_ = zoneId;
    emit selectionChanged(zoneId);
}

int FormEditor::nextZone(bool backwards) const
{
    std::vector<int> ids;
    for (const ZoneRow& z : zones_)
        if (selectable(z.ZoneID))
            ids.push_back(z.ZoneID);
    if (ids.empty())
        return 0;
    if (backwards) {
        const auto before = std::lower_bound(ids.begin(), ids.end(), selected_);
        return before == ids.begin() || selected_ == 0 ? ids.back() : *(before - 1);
    }
    const auto after = std::upper_bound(ids.begin(), ids.end(), selected_);
    return after == ids.end() ? ids.front() : *after;
}

StepOutcome FormEditor::stepOnce(int zoneId, Handle handle, int columns, int lines)
{
    const ZoneRow* z = zone(zoneId);
    if (!z || !form_)
        return {};
    // The lines of a group are its container's: a zone inside one moves or
    // stretches up and down with all of it, as the zone editor would have
    // the operator do through the container.
    if (lines != 0 && isContainer(z->ZoneParent) && zone(z->ZoneParent))
        z = zone(z->ZoneParent);
    // Sideways the step rules would move a container off its inner zones,
    // which stay where they are: its group moves up and down only.
    if (columns != 0 && handle == Handle::Body && isContainer(z->ZoneID))
        return {false, QStringLiteral("La zona %1 se mueve solo hacia arriba o hacia abajo, con todo su grupo.")
                           .arg(zoneCaption(z->ZoneID))};
    const std::vector<int> steps = stepsFor(handle, columns, lines);
    if (steps.empty())
        return {};

    const ZoneRow row = *z;
    std::optional<ZoneRow> parent;
    if (const ZoneRow* p = row.ZoneParent > 0 ? zone(row.ZoneParent) : nullptr)
        parent = *p;
    QuietOperator quiet(session_.op);
    ZoneEditor editor(quiet, grid_, row, printableArea(*form_), parent);
    for (int number : steps)
        if (!editor.step(number))
            return {false, quiet.last};

    // 094's pairs keep their column counts, as the zone editor's boxes would.
    std::vector<QString> pairs;
    try {
        for (const PairBox& box : ZoneEditor::pairBoxes(rows_, row)) {
            if (box.value.isEmpty())
                break;
            pairs.push_back(box.value);
        }
    } catch (const DbError& error) {
        return {false, error.what()};
    }
    Session writer(session_.db, quiet, session_.clock, session_.folder);
    writer.form = session_.form;
    writer.units = session_.units;
    writer.PrimerModelo = session_.PrimerModelo;
    const bool written = editor.accept(writer, grid_, {}, pairs);
    readRows();
    return {written, written ? QString() : quiet.last};
}

void FormEditor::say(const StepOutcome& outcome)
{
    if (!outcome.refusal.isEmpty()) {
        session_.op.status(outcome.refusal);
        saidRefusal_ = true;
    } else if (outcome.moved && saidRefusal_) {
        session_.op.status(QString());
        saidRefusal_ = false;
    }
}

void FormEditor::beginDrag(int zoneId, Handle handle)
{
    drag_.reset();
    if (!zone(zoneId))
        return;
    try {
        drag_ = Drag{zoneId, handle, 0, 0, takeSnapshot(rows_), nullptr};
        drag_->writes = std::make_shared<Transaction>(session_.db);
    } catch (const DbError& error) {
        drag_.reset();
        reportDbError(session_.op, error);
    }
}

StepOutcome FormEditor::dragTo(int columns, int lines)
{
    if (!drag_)
        return {};
    StepOutcome outcome;
    auto along = [&](int& applied, int target, bool horizontal) {
        while (applied != target) {
            const int d = target > applied ? 1 : -1;
            const StepOutcome one = stepOnce(drag_->zoneId, drag_->handle, horizontal ? d : 0, horizontal ? 0 : d);
            if (!one.moved) {
                if (!one.refusal.isEmpty())
                    outcome.refusal = one.refusal;
                return;
            }
            applied += d;
            outcome.moved = true;
        }
    };
    along(drag_->columns, columns, true);
    along(drag_->lines, lines, false);
    say(outcome);
    return outcome;
}

void FormEditor::endDrag()
{
    if (!drag_)
        return;
    Drag drag = std::move(*drag_);
    drag_.reset();
    try {
        drag.writes->commit();
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
        drag.writes.reset();
        readRows();
        return;
    }
    try {
        RowsChange change = difference(drag.before, takeSnapshot(rows_));
        if (change.empty())
            return;
        const QString text = drag.handle == Handle::Body
                                 ? QStringLiteral("Mover la zona %1").arg(zoneCaption(drag.zoneId))
                                 : QStringLiteral("Cambiar el tamaño de la zona %1").arg(zoneCaption(drag.zoneId));
        history_.push(new RowsCommand(*this, text, std::move(change)));
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
    }
}

StepOutcome FormEditor::nudge(Handle handle, int columns, int lines)
{
    if (!selected_)
        return {};
    beginDrag(selected_, handle);
    const StepOutcome outcome = dragTo(columns, lines);
    endDrag();
    return outcome;
}

StepOutcome FormEditor::markUnused(int zoneId)
{
    const ZoneRow* z = zone(zoneId);
    if (!z || !z->ZoneVisible)
        return {};
    if (z->ZoneRequiered) {
        const StepOutcome refused{
            false, QStringLiteral("La zona %1 es obligatoria: no puede quedar sin usar.").arg(zoneCaption(zoneId))};
        say(refused);
        return refused;
    }
    ZoneRow unused = *z;
    unused.ZoneVisible = false;
    const bool done = record(QStringLiteral("Dejar sin usar la zona %1").arg(zoneCaption(zoneId)), [&] {
        rows_.update(unused);
        return true;
    });
    return {done, QString()};
}

bool FormEditor::record(const QString& text, const std::function<bool()>& change)
{
    bool ok = false;
    try {
        const FormSnapshot before = takeSnapshot(rows_);
        ok = change();
        RowsChange diff = difference(before, takeSnapshot(rows_));
        if (!diff.empty())
            history_.push(new RowsCommand(*this, text, std::move(diff)));
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
        ok = false;
    }
    readRows();
    return ok;
}

void FormEditor::apply(const FormSnapshot& side)
{
    try {
        Transaction transaction(session_.db);
        if (side.form)
            rows_.update(*side.form);
        for (const auto& [id, row] : side.zones)
            rows_.update(row);
        for (const auto& [id, row] : side.messages)
            rows_.update(row);
        transaction.commit();
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
    }
    // The page design may change the pitch; the scale follows the form.
    if (side.form && side.form->FormCPI > 0)
        session_.units.CPIActual = side.form->FormCPI;
    readRows();
}

void FormEditor::setSaved()
{
    history_.setClean();
}

bool FormEditor::hasProblem(int zoneId) const
{
    return std::any_of(findings_.begin(), findings_.end(), [zoneId](const Finding& f) {
        return std::find(f.zones.begin(), f.zones.end(), zoneId) != f.zones.end();
    });
}

} // namespace brela
