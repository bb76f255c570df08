#include "backgroundanalysis.h"
#include "syntaxmanager.h"
#include "taglist.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(BackgroundAnalysis, SlicesThenFinishesOnAWorkerAndRestartsOnChanges)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    SyntaxManager library;
    BackgroundAnalysis background;
    int delivered = 0;
    QObject::connect(&background, &BackgroundAnalysis::resultsChanged, [&] { ++delivered; });

    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("#CONFIG\r\n  CONFIG FOSC = HS\r\n#ENDCONFIG\r\nfor i = 1 to 2\r\nnext\r\n");
    background.setLexer(library.FindAnalyzer(u"Tessel"));
    background.setText(text);
    EXPECT_FALSE(background.analysis().isComplete());
    ASSERT_TRUE(waitFor([&] { return background.resultsCurrent(); }));
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(background.results().rangeStyles.size(), background.analysis().finish().rangeStyles.size());

    // The caret decides which caret-dependent styles show.
    background.setCaret(0);
    const size_t onConfigLine = background.visibleRangeStyles().size();
    background.setCaret(41); // on the first "for"
    EXPECT_EQ(background.visibleRangeStyles().size(), onConfigLine + 2);

    // An edit drops the current results and brings new ones.
    const QString edited = text + QStringLiteral("while x\r\nwend\r\n");
    background.applyEdit(edited, int(text.size()), 0, 16);
    EXPECT_FALSE(background.resultsCurrent());
    background.ensureAnalyzed(int(edited.size()));
    EXPECT_TRUE(background.analysis().isComplete());
    ASSERT_TRUE(waitFor([&] { return background.resultsCurrent(); }));

    // Filling a name list counts as a change of the lexer, the assembler's under a #CONFIG block
    // too. Let every timer from before run out first, so that only the change can start the scan.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 2 * BackgroundAnalysis::IdleAppendDelay)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    FirstConditionTags(library.FindAnalyzer(u"MPASM"), QStringLiteral("Config Bits"))->add(QStringLiteral("_X"));
    EXPECT_FALSE(background.analysis().isComplete());
    ASSERT_TRUE(waitFor([&] { return background.analysis().isComplete() && background.resultsCurrent(); }));
}

} // namespace
