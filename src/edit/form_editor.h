#pragma once

#include "edit/zone_editor.h"
#include "store/db.h"
#include "store/rows.h"
#include "store/session.h"
#include "validation/validation.h"

#include <QObject>
#include <QUndoStack>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace brela {

// The working copy's rows as one change leaves them.
struct FormSnapshot {
    std::optional<FormRow> form;
    std::map<int, ZoneRow> zones;
    std::map<int, MessageRow> messages;
};
FormSnapshot takeSnapshot(FormRows& rows);

// The rows one change touched, as they were and as it left them.
struct RowsChange {
    FormSnapshot before;
    FormSnapshot after;
    bool empty() const;
};
RowsChange difference(const FormSnapshot& before, const FormSnapshot& after);

// What is grabbed on the sheet: the box itself, an edge or a corner.
enum class Handle { Body, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

struct StepOutcome {
    bool moved = false; // at least one step went through
    QString refusal;    // why the last refused step was refused; empty when none was
};

// The editing model of the open form: selection, steps by key and by drag
// through the zone editor's rules, the undo history and the live findings.
// Windows call it and redraw on its signals; tests drive it without any.
class FormEditor : public QObject {
    Q_OBJECT
public:
    FormEditor(Session& session, MapaOcupacion& grid, QObject* parent = nullptr);

    // A form was opened (or closed): rows read again, selection and history cleared.
    void reset();
    // Rows changed outside the history (a read-back, a rescale without
    // undo): read them again; the form stays modified until saved.
    void reload();

    QUndoStack& history() { return history_; }
    const std::vector<ZoneRow>& zones() const { return zones_; }
    const std::optional<FormRow>& form() const { return form_; }
    const ZoneRow* zone(int zoneId) const;

    // The zones a click or Tab reaches: used zones and the containers.
    bool selectable(int zoneId) const;
    int selected() const { return selected_; }
    void select(int zoneId);
    // The next selectable zone in number order after the selected one (before it, backwards), wrapping.
    int nextZone(bool backwards = false) const;

    // One key press: the selected zone `columns` and `lines` along, a step
    // at a time, as one undo step.
    StepOutcome nudge(Handle handle, int columns, int lines);

    // A drag of `zoneId` by `handle`; dragTo gives the offset from where it
    // started, in columns and lines. Every step runs the zone editor's rules
    // and is written at once; a refused step keeps the last allowed place.
    // endDrag makes the whole drag one undo step.
    void beginDrag(int zoneId, Handle handle);
    StepOutcome dragTo(int columns, int lines);
    void endDrag();
    bool dragging() const { return drag_.has_value(); }

    // Delete: the zone stops being used, unless it is a required one.
    StepOutcome markUnused(int zoneId);

    // Runs `change` on the working copy and keeps what it changed as one
    // undo step named `text`. False when `change` reported failure.
    bool record(const QString& text, const std::function<bool()>& change);

    // The form was saved: this point of the history is the unmodified one.
    void setSaved();
    bool modified() const { return !history_.isClean(); }

    const std::vector<Finding>& findings() const { return findings_; }
    // Zones some finding names: the sheet outlines them.
    bool hasProblem(int zoneId) const;

    // Writes one side of a change and reads the rows again (the undo commands).
    void apply(const FormSnapshot& side);

signals:
    void rowsChanged();
    void selectionChanged(int zoneId);
    void findingsChanged();
    void modifiedChanged(bool modified);

private:
    struct Drag {
        int zoneId = 0;
        Handle handle = Handle::Body;
        int columns = 0; // applied so far
        int lines = 0;
        FormSnapshot before;
        // Every step is written at once and committed on release: a
        // commit per step would wait on the disk under the mouse.
        std::shared_ptr<Transaction> writes;
    };

    void readRows();
    StepOutcome stepOnce(int zoneId, Handle handle, int columns, int lines);
    void say(const StepOutcome& outcome);

    Session& session_;
    MapaOcupacion& grid_;
    FormRows rows_;
    QUndoStack history_;
    std::optional<FormRow> form_;
    std::vector<ZoneRow> zones_;
    std::vector<Finding> findings_;
    ValidationState scratch_; // the live run's own grid and table
    int selected_ = 0;
    std::optional<Drag> drag_;
    bool saidRefusal_ = false;
};

} // namespace brela
