#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

// The grammar of a lexer: named productions compiled from its grammar text, matched backwards
// over the token list from the newest token.
class SyntaxGrammar {
public:
    // Token access for matching: the text and type of token `i`.
    struct Tokens {
        std::function<QStringView(int)> text;
        std::function<int(int)> type;
    };

    // Thrown by match() when a production recurses into itself at the same token.
    struct Error {
        QString message;
    };

    void compile(const QString &text, const QStringList &tokenTypeNames);
    // Index of the first production of that name (ASCII letters in any case), or -1.
    int findProduction(QStringView name) const;
    int productionCount() const { return int(m_productions.size()); }
    bool isValid(int production) const;

    // Backward match of `production` with token `newest` as the starting position: the index of the
    // earliest token consumed (newest + 1 when nothing was consumed), or -1 for no match.
    int match(int production, const Tokens &tokens, int newest) const;

    // Longest run of tokens any match can consume, or -1 when unbounded (repetition or recursion).
    int maxLength() const;

    // A cheap test before match(): false when no match from a newest token of that text and type
    // can consume it, so that match() would read only that token, raise no error and return -1
    // or newest + 1 (nothing consumed). True when unsure.
    bool mayMatchFrom(int production, QStringView text, int type) const;

private:
    struct Item {
        enum Kind { TermCase, TermNoCase, TypeRef, Ref, Never } kind = Never;
        QString text;
        int value = -1; // TypeRef: token type; Ref: production
        int min = 1, max = 1;
    };
    struct Production {
        QString name;
        std::vector<std::vector<Item>> branches;
        bool valid = true;
    };
    struct Matcher;

    int parseBranches(int production, bool inGroup);
    void collectEnds();

    // What a backward match of a production can read first: the newest token must be one of these.
    struct Ends {
        bool any = false; // or unknown, such as a recursion at the same token
        std::vector<int> types;
        std::vector<QString> texts, textsNoCase;
    };
    std::vector<Ends> m_ends; // per production

    std::vector<Production> m_productions;
    int m_skip = -1;
    // compile-time state
    struct GToken {
        int kind;
        QString text;
    };
    std::vector<GToken> m_toks;
    size_t m_at = 0;
    QStringList m_typeNames;
};
