#pragma once

#include "syntanalyzer.h"

#include <QObject>
#include <QStringView>
#include <memory>
#include <vector>

// The lexer library (TSyntaxManager): the BASIC lexer "Tessel" and the MPASM lexer "MPASM".
class SyntaxManager : public QObject {
    Q_OBJECT
public:
    explicit SyntaxManager(QObject *parent = nullptr);
    ~SyntaxManager() override;

    int count() const { return int(m_lexers.size()); }
    SyntAnalyzer *analyzer(int index) const { return m_lexers[size_t(index)].get(); }

    // The first lexer whose name equals `name` with ASCII letters in any case, or none.
    SyntAnalyzer *FindAnalyzer(QStringView name) const;
    // The first lexer that is not internal and lists the file name's extension.
    SyntAnalyzer *AnalyzerForFile(QStringView fileName) const;

    // The standalone copy of the BASIC lexer the pane shows the start-up banner with; its
    // sub-lexer rules use this library's MPASM lexer.
    std::unique_ptr<SyntAnalyzer> createStartUpLexer(QObject *parent = nullptr) const;

private:
    std::vector<std::unique_ptr<SyntAnalyzer>> m_lexers;
};

// The tag list of condition 0 of the lexer's block rule with that display name, or none.
TagList *FirstConditionTags(const SyntAnalyzer *lexer, const QString &ruleName);
