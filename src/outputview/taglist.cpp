#include "taglist.h"

#include <algorithm>

TagList::TagList(QObject *parent) : QObject(parent) {}

TagList::TagList(const QStringList &words, QObject *parent) : QObject(parent)
{
    for (const QString &w : words)
        add(w);
    m_pending = false;
}

void TagList::add(const QString &word)
{
    const auto pos = std::lower_bound(m_words.cbegin(), m_words.cend(), word);
    if (pos != m_words.cend() && *pos == word)
        return;
    m_words.insert(pos - m_words.cbegin(), word);
    notify();
}

void TagList::clear()
{
    if (m_words.isEmpty())
        return;
    m_words.clear();
    notify();
}

void TagList::beginUpdate()
{
    ++m_updateDepth;
}

void TagList::endUpdate()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0 && m_pending) {
        m_pending = false;
        emit changed();
    }
}

bool TagList::contains(QStringView word) const
{
    const auto pos =
        std::lower_bound(m_words.cbegin(), m_words.cend(), word,
                         [](const QString &a, QStringView b) { return QStringView(a) < b; });
    return pos != m_words.cend() && QStringView(*pos) == word;
}

void TagList::notify()
{
    if (m_updateDepth > 0)
        m_pending = true;
    else
        emit changed();
}
