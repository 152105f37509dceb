#pragma once

#include <QList>
#include <functional>
#include <vector>

namespace brela {

// A model's lists name every form while they are this short; a longer one
// would run off the screen and leave forms out of reach.
constexpr int kListLimit = 25;
// Past the limit, how many of the forms last used a list names.
constexpr int kRecentShown = 10;

// What one model's list shows: these forms, in this order, and whether
// "Más formularios..." follows them.
struct ListPlan {
    std::vector<qint16> forms;
    bool more = false;
    bool operator==(const ListPlan&) const = default;
};

// `ofModel` are the model's forms in FormID order, `recent` the forms last
// used (newest first, any model).
ListPlan planList(const std::vector<qint16>& ofModel, const QList<qint16>& recent);

// The FormIDs the operator last opened or configured, newest first, kept per
// user in the settings so the long lists offer them again next time.
class RecentForms {
public:
    static constexpr int kKept = 30;

    void load();
    const QList<qint16>& ids() const { return ids_; }
    void use(qint16 formId);
    void forget(qint16 formId);
    // Drops forms gone since they were used (deleted by another program, or
    // while this one was not running).
    void keepOnly(const std::function<bool(qint16)>& exists);

private:
    void save() const;
    QList<qint16> ids_;
};

} // namespace brela
