#include "ui/form_lists.h"

#include <QSettings>
#include <algorithm>

namespace brela {
namespace {

const QString kRecentKey = QStringLiteral("Library/RecentForms");

} // namespace

ListPlan planList(const std::vector<qint16>& ofModel, const QList<qint16>& recent)
{
    if (static_cast<int>(ofModel.size()) <= kListLimit)
        return {ofModel, false};
    ListPlan plan{{}, true};
    for (const qint16 id : recent) {
        if (static_cast<int>(plan.forms.size()) == kRecentShown)
            break;
        if (std::binary_search(ofModel.begin(), ofModel.end(), id))
            plan.forms.push_back(id);
    }
    return plan;
}

void RecentForms::load()
{
    ids_.clear();
    const QStringList stored = QSettings().value(kRecentKey).toStringList();
    for (const QString& text : stored) {
        bool number = false;
        const int id = text.toInt(&number);
        if (number && id > 0 && id < 9999 && !ids_.contains(qint16(id)) && ids_.size() < kKept)
            ids_ << qint16(id);
    }
}

void RecentForms::use(qint16 formId)
{
    ids_.removeAll(formId);
    ids_.prepend(formId);
    while (ids_.size() > kKept)
        ids_.removeLast();
    save();
}

void RecentForms::forget(qint16 formId)
{
    if (ids_.removeAll(formId))
        save();
}

void RecentForms::keepOnly(const std::function<bool(qint16)>& exists)
{
    const auto before = ids_.size();
    ids_.removeIf([&](qint16 id) { return !exists(id); });
    if (ids_.size() != before)
        save();
}

void RecentForms::save() const
{
    QStringList texts;
    for (const qint16 id : ids_)
        texts << QString::number(id);
    QSettings().setValue(kRecentKey, texts);
}

} // namespace brela
