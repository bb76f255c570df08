#include "backgroundanalysis.h"

#include <QMetaObject>
#include <QMutexLocker>

BackgroundAnalysis::BackgroundAnalysis(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BackgroundAnalysis::runSlice);
    connect(&m_analysis, &SyntaxAnalysis::errorRaised, this, &BackgroundAnalysis::errorRaised);
    // The analysis already started over; drop what the worker would deliver and scan again.
    connect(&m_analysis, &SyntaxAnalysis::lexerChanged, this, [this] {
        stopFinishing();
        schedule(IdleAppendDelay);
        emit tokensChanged();
    });
}

BackgroundAnalysis::~BackgroundAnalysis()
{
    stopFinishing();
}

void BackgroundAnalysis::schedule(int delay)
{
    m_timer.start(delay);
}

void BackgroundAnalysis::setLexer(SyntAnalyzer *lexer)
{
    stopFinishing();
    m_analysis.setLexer(lexer);
    m_fresh = true;
    schedule(IdleAppendDelayInit);
}

void BackgroundAnalysis::setText(const QString &text)
{
    stopFinishing();
    m_analysis.setText(text);
    m_fresh = true;
    schedule(IdleAppendDelayInit);
}

void BackgroundAnalysis::applyEdit(const QString &newText, int pos, int removed, int added)
{
    stopFinishing();
    m_analysis.applyEdit(newText, pos, removed, added);
    schedule(m_fresh ? IdleAppendDelayInit : IdleAppendDelay);
}

void BackgroundAnalysis::ensureAnalyzed(int pos)
{
    if (m_analysis.isComplete() || m_analysis.analyzedUpTo() > pos)
        return;
    m_analysis.analyze(pos);
    emit tokensChanged();
    if (m_analysis.isComplete())
        startFinishing();
}

void BackgroundAnalysis::setCaret(int caret)
{
    m_caret = caret;
}

std::vector<RangeStyle> BackgroundAnalysis::visibleRangeStyles() const
{
    std::vector<RangeStyle> out;
    for (const RangeStyle &s : m_results.rangeStyles) {
        if (s.shownForCaret(m_caret))
            out.push_back(s);
    }
    return out;
}

void BackgroundAnalysis::runSlice()
{
    if (m_analysis.isComplete())
        return;
    m_analysis.analyze(-1, QDeadlineTimer(SliceMs));
    emit tokensChanged();
    if (m_analysis.isComplete()) {
        m_fresh = false;
        startFinishing();
    } else {
        schedule(0); // let pending input through before the next slice
    }
}

void BackgroundAnalysis::startFinishing()
{
    stopFinishing();
    auto stop = std::make_shared<std::atomic_bool>(false);
    m_stop = stop;
    const quint64 generation = ++m_generation;
    SyntaxAnalysis::Snapshot snap = m_analysis.snapshot();
    m_worker = std::thread([this, stop, generation, snap = std::move(snap)] {
        AnalysisResults results;
        {
            QMutexLocker locker(&m_lock);
            results = SyntaxAnalysis::finish(snap, stop.get());
        }
        if (stop->load())
            return;
        auto shared = std::make_shared<AnalysisResults>(std::move(results));
        QMetaObject::invokeMethod(this, [this, shared, generation] {
            if (generation != m_generation)
                return;
            {
                QMutexLocker locker(&m_lock);
                m_results = std::move(*shared);
                m_resultsCurrent = true;
            }
            emit resultsChanged();
        }, Qt::QueuedConnection);
    });
}

void BackgroundAnalysis::stopFinishing()
{
    ++m_generation;
    m_resultsCurrent = false;
    if (m_stop)
        m_stop->store(true);
    if (m_worker.joinable())
        m_worker.join();
    m_stop.reset();
}
