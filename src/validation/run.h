#pragma once

// Shared by the validation run and its rule groups; not for other subsystems.

#include "common/cp1252.h"
#include "store/rows.h"
#include "validation/validation.h"

#include <functional>
#include <map>

namespace brela::validation {

// Zone numbers, rows and columns in the log: "060".
inline QString fmt3(int value)
{
    return QString::number(value).rightJustified(3, QLatin1Char('0'));
}
inline QString num(int value)
{
    return QString::number(value);
}

class Run {
public:
    // Without a session the run only reads: corrections change its own rows
    // and table, never the database, and no box is shown.
    Run(Session* session, const FormRow* form, ValidationState& state, QString& log, bool& corrected)
        : session(session), form(form), state(state), log(log), corrected(corrected)
    {
    }

    // Text of the finding `note` opened last (header and closing block go to the log alone).
    void add(const QString& text)
    {
        log += text;
        if (!findings.empty())
            findings.back().text += text;
    }
    // Opens a finding about `zones`; the next add calls give its text.
    void note(std::initializer_list<int> zones) { findings.push_back({QString(), std::vector<int>(zones), false}); }
    void fail()
    {
        problem = true;
        if (!findings.empty())
            findings.back().problem = true;
    }
    ZoneLimits& zone(int n) { return state.limits.at(n); }

    // Every correction goes through here: finds zone n of the working copy,
    // lets `edit` set the fields to change and stores the row. A missing row
    // is reported and nothing is written. True when the row was written.
    bool correct(int n, const std::function<void(ZoneRow&)>& edit);

    // The working copy's rows as the run read them, kept up to date by
    // correct(): reading a row again for each correction was most of a run.
    std::map<int, ZoneRow> rows;
    std::vector<Finding> findings;

    Session* session;
    const FormRow* form; // null when the working copy has no Forms row
    ValidationState& state;
    QString& log;
    bool& corrected;
    bool problem = false;
};

// "La zona 60 tiene coordenadas Inicial X=0 Y=19 , Final X=86 Y=47"
QString coordinates(Run& run, int zone);

void applyFixedZoneRules(Run& run); // groups B to F, with E6 between E and F
void applyPositionRules(Run& run);  // group G

} // namespace brela::validation
