#pragma once

#include "syntaxanalysis.h"

#include <QMutex>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

// Drives one SyntaxAnalysis the way the editor pane needs it: the scan runs in short slices on
// this (the user-interface) thread from an idle timer and yields to the event loop between slices;
// when the scan reaches the end, the finishing work (range styles, folding, staples, separators)
// runs on a worker thread and its results are handed back here. A text or lexer change stops
// the worker and drops what it would have delivered.
class BackgroundAnalysis : public QObject {
    Q_OBJECT
public:
    static constexpr int IdleAppendDelayInit = 50; // ms before a fresh analysis starts
    static constexpr int IdleAppendDelay = 200;    // ms before a repeated run starts
    static constexpr int SliceMs = 15;

    explicit BackgroundAnalysis(QObject *parent = nullptr);
    ~BackgroundAnalysis() override;

    void setLexer(SyntAnalyzer *lexer);
    void setText(const QString &text);
    void applyEdit(const QString &newText, int pos, int removed, int added);

    // The painter needs tokens up to `pos` now: analyse that far at once.
    void ensureAnalyzed(int pos);
    void setCaret(int caret);

    const SyntaxAnalysis &analysis() const { return m_analysis; }
    const AnalysisResults &results() const { return m_results; }
    bool resultsCurrent() const { return m_resultsCurrent; }
    // Range styles to paint for the current caret position.
    std::vector<RangeStyle> visibleRangeStyles() const;

signals:
    void tokensChanged();   // more of the text is analysed
    void resultsChanged();  // new range styles, folding, staples and separators
    void errorRaised(const QString &message);

private:
    void schedule(int delay);
    void runSlice();
    void startFinishing();
    void stopFinishing();

    SyntaxAnalysis m_analysis;
    QTimer m_timer;
    bool m_fresh = true;
    int m_caret = 0;
    AnalysisResults m_results;
    bool m_resultsCurrent = false;

    QMutex m_lock; // the analysis's lock: held while the worker reads or results are swapped
    std::thread m_worker;
    std::shared_ptr<std::atomic_bool> m_stop;
    quint64 m_generation = 0;
};
