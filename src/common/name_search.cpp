#include "common/name_search.h"

namespace brela {

namespace {

QString foldedSlowly(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            key.append(c);
    return key.toCaseFolded();
}

// The fold of every Latin-1 character, made once by the slow way: names are
// almost always within it, and folding a large library character by
// character through the normalizer took a tenth of a second.
struct Latin1Folds {
    Latin1Folds()
    {
        for (int c = 0; c < 256; ++c)
            folds[c] = foldedSlowly(QString(QChar(c)));
    }
    QString folds[256];
};

} // namespace

QString searchKey(const QString& text)
{
    static const Latin1Folds latin1;
    QString key;
    key.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return foldedSlowly(text); // combining marks, ligatures and the rest: the whole text
        key.append(latin1.folds[c.unicode()]);
    }
    return key;
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
