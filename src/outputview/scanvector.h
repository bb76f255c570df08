#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <span>
#include <vector>

// The storage of one kind of scan result (tokens, ranges, ...). It behaves as a vector of what the
// scan has produced so far, but it can keep the results of an earlier scan behind that end: after
// an edit the scan starts again from a point before the change and writes over the old results
// one by one, while those further on stay where they are until they are taken over again
// (spliceOld) or dropped (dropOld). An old item is copied aside just before it is overwritten,
// so every old item stays readable through old() and the common case, an edit in a long text,
// moves nothing but the few items the rescan rewrites.
template <typename T>
class ScanVector {
public:
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T &operator[](size_t i)
    {
        assert(i < m_size);
        return m_items[i];
    }
    const T &operator[](size_t i) const
    {
        assert(i < m_size);
        return m_items[i];
    }
    T &back() { return m_items[m_size - 1]; }
    const T &back() const { return m_items[m_size - 1]; }
    auto begin() const { return m_items.cbegin(); }
    auto end() const { return m_items.cbegin() + std::ptrdiff_t(m_size); }
    auto cbegin() const { return begin(); }
    auto cend() const { return end(); }
    std::span<const T> view() const { return {m_items.data(), m_size}; }
    std::vector<T> toVector() const { return {begin(), end()}; }
    void reserve(size_t n) { m_items.reserve(n); }

    void push_back(const T &item)
    {
        if (m_size < m_items.size()) {
            saveBeforeOverwrite(m_size);
            m_items[m_size] = item;
        } else {
            m_items.push_back(item);
        }
        ++m_size;
    }
    void pop_back() { --m_size; }
    // Shortening keeps the items behind the new end; lengthening is not needed by the scan.
    void resize(size_t n)
    {
        assert(n <= m_size);
        m_size = n;
        if (!hasOld())
            m_items.resize(n);
    }
    void clear()
    {
        m_items.clear();
        m_saved.clear();
        m_size = 0;
        m_oldBase = m_oldEnd = NoOld;
    }

    // From now on the items from `first` to the stored end are old results, readable by old().
    void markOld(size_t first)
    {
        m_oldBase = first;
        m_oldEnd = m_items.size();
        m_saved.clear();
    }
    bool hasOld() const { return m_oldBase != NoOld; }
    size_t oldBase() const { return m_oldBase; }
    size_t oldEnd() const { return m_oldEnd; }
    const T &old(size_t i) const
    {
        assert(hasOld() && i >= m_oldBase && i < m_oldEnd);
        const size_t saved = m_oldBase + m_saved.size();
        return i < saved ? m_saved[i - m_oldBase] : m_items[i];
    }
    // Forgets the old results.
    void dropOld()
    {
        if (!hasOld())
            return;
        m_items.resize(m_size);
        m_saved.clear();
        m_oldBase = m_oldEnd = NoOld;
    }
    // Appends the old results from `from` on, each passed through `map`, and forgets the rest.
    template <typename Map>
    void spliceOld(size_t from, Map map)
    {
        assert(hasOld() && from >= m_oldBase && from <= m_oldEnd);
        const size_t count = m_oldEnd - from;
        if (m_size <= from) {
            // Moving down: each item is read before anything is written over it.
            for (size_t i = from; i < m_oldEnd; ++i)
                m_items[m_size + (i - from)] = map(old(i));
            m_items.resize(m_size + count);
        } else {
            // Moving up: the items the rescan wrote over are saved, the rest are read from the
            // top down before they are overwritten.
            if (m_items.size() < m_size + count)
                m_items.resize(m_size + count);
            for (size_t i = m_oldEnd; i-- > from;)
                m_items[m_size + (i - from)] = map(old(i));
            m_items.resize(m_size + count); // a rescan that went further than this leaves items behind
        }
        m_size += count;
        m_saved.clear();
        m_oldBase = m_oldEnd = NoOld;
    }

private:
    static constexpr size_t NoOld = size_t(-1);
    static constexpr size_t SaveChunk = 256;

    // Index `i` is about to be overwritten: copy it aside first if it is an old result.
    void saveBeforeOverwrite(size_t i)
    {
        if (!hasOld())
            return;
        const size_t saved = m_oldBase + m_saved.size();
        if (i < saved || i >= m_oldEnd)
            return;
        // Old items are written over in order, so save a few ahead at once.
        const size_t to = std::min(m_oldEnd, std::max(i + 1, saved + SaveChunk));
        m_saved.insert(m_saved.end(), m_items.cbegin() + std::ptrdiff_t(saved), m_items.cbegin() + std::ptrdiff_t(to));
    }

    std::vector<T> m_items;
    size_t m_size = 0;
    std::vector<T> m_saved; // copies of old items m_oldBase, m_oldBase + 1, ... written over since
    size_t m_oldBase = NoOld, m_oldEnd = NoOld;
};
