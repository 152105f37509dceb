#include "common/name_search.h"

namespace brela {

QString searchKey(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            key.append(c);
    return key.toCaseFolded();
}

NameSearch::NameSearch(const QString& typed)
    : words_(searchKey(typed).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts))
{
}

bool NameSearch::matchesKey(const QString& key) const
{
    for (const QString& word : words_)
        if (!key.contains(word))
            return false;
    return true;
}

} // namespace brela
