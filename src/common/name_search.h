#pragma once

#include <QString>
#include <QStringList>

namespace brela {

// A form's name as searches compare it: accents dropped and case folded,
// so "Pequeña" and "PEQUENA" read the same.
QString searchKey(const QString& text);

// What the operator typed to find a form: every word must be part of the
// name, anywhere in it; no words finds every form.
class NameSearch {
public:
    explicit NameSearch(const QString& typed = QString());

    bool isEmpty() const { return words_.isEmpty(); }
    // `key` is the name already passed through searchKey, so a long list is
    // folded once and not again on every keystroke.
    bool matchesKey(const QString& key) const;
    bool matches(const QString& name) const { return matchesKey(searchKey(name)); }

private:
    QStringList words_;
};

} // namespace brela
