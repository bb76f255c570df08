#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The word list of a lexer condition: kept sorted (ordinal, UTF-16 code units) so lookups are a
// binary search. Adding a word that is already present changes nothing. Listeners hear `changed`
// once per batch (beginUpdate/endUpdate may nest) or once per single change outside a batch.
class TagList : public QObject {
    Q_OBJECT
public:
    explicit TagList(QObject *parent = nullptr);
    explicit TagList(const QStringList &words, QObject *parent = nullptr);

    void add(const QString &word);
    void clear();
    void beginUpdate();
    void endUpdate();

    bool contains(QStringView word) const;
    const QStringList &words() const { return m_words; }
    qsizetype size() const { return m_words.size(); }

signals:
    void changed();

private:
    void notify();

    QStringList m_words;
    int m_updateDepth = 0;
    bool m_pending = false;
};
