#include "syntaxmanager.h"

#include "asciicase.h"

SyntaxManager::SyntaxManager(QObject *parent) : QObject(parent)
{
    auto resolve = [this](const QString &name) { return FindAnalyzer(name); };
    m_lexers.push_back(std::make_unique<SyntAnalyzer>(TesselLexerDefinition()));
    m_lexers.push_back(std::make_unique<SyntAnalyzer>(MpasmLexerDefinition()));
    for (auto &lexer : m_lexers)
        lexer->resolveSubLexers(resolve);
}

SyntaxManager::~SyntaxManager() = default;

SyntAnalyzer *SyntaxManager::FindAnalyzer(QStringView name) const
{
    for (const auto &lexer : m_lexers) {
        if (equalsAsciiNoCase(lexer->LexerName(), name))
            return lexer.get();
    }
    return nullptr;
}

SyntAnalyzer *SyntaxManager::AnalyzerForFile(QStringView fileName) const
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QStringView ext = dot < 0 ? QStringView() : fileName.mid(dot + 1);
    for (const auto &lexer : m_lexers) {
        if (lexer->isInternal() || lexer->definition().Extentions.isEmpty())
            continue;
        const QStringList exts = lexer->definition().Extentions.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &e : exts) {
            if (e.compare(ext, Qt::CaseInsensitive) == 0)
                return lexer.get();
        }
    }
    return nullptr;
}

std::unique_ptr<SyntAnalyzer> SyntaxManager::createStartUpLexer(QObject *parent) const
{
    return std::make_unique<SyntAnalyzer>(StartUpLexerDefinition(),
                                          [this](const QString &name) { return FindAnalyzer(name); }, parent);
}

TagList *FirstConditionTags(const SyntAnalyzer *lexer, const QString &ruleName)
{
    if (!lexer)
        return nullptr;
    const BlockRule *rule = lexer->findBlockRule(ruleName);
    if (!rule || rule->conditions.empty())
        return nullptr;
    return rule->conditions.front()->tags;
}
