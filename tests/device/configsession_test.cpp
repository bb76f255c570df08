#include "configsession.h"
#include "orvexerror.h"
#include "taglist.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// A session wired as the window wires it, working in a temporary data folder.
class Session : public testing::Test {
protected:
    Session()
        : configBits(QStringList{QString()}),
          newConfigBits(QStringList{QStringLiteral("CLKOUTEN"), QStringLiteral("FOSC")})
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(data.path());
        session.findConfigBitLists = [this] {
            return ConfigSession::ConfigBitLists{&configBits, &newConfigBits};
        };
        session.generate = [this] { ++generateRuns; };
        session.applyStyleAvailability = [this](const StyleAvailability &s) { styles = s; };
    }
    ~Session() override { QDir::setCurrent(previousDir); }

    void load(const QString &fixture)
    {
        data.addFixtureTree(QStringLiteral("X"), fixture);
        ASSERT_TRUE(session.ADD_ButtonClick(QStringLiteral("X")));
    }
    TreeNode *find(const QString &setting, const QString &option) const
    {
        TreeNode *found = nullptr;
        session.tree().forEach([&](TreeNode *n) {
            if (n->level() == 3 && n->text == option && n->parent()->text == setting)
                found = n;
            return !found;
        });
        return found;
    }

    TestSupport::DataDir data;
    QString previousDir;
    TagList configBits;
    TagList newConfigBits;
    ConfigSession session;
    int generateRuns = 0;
    StyleAvailability styles{false, false, false};
};

TEST_F(Session, CopyMarksChoicesAndDefaults)
{
    load("multi_selected");
    struct {
        const char *setting, *option;
        int state, image;
    } expected[] = {
        {"OSC", "HS", TreeNode::ChosenMark, TreeNode::CompilerDefaultImage}, // selected and Tessel
        {"OSC", "XT", TreeNode::ChosenMark, TreeNode::PlainImage},
        {"OSC", "RC", TreeNode::NoStateImage, TreeNode::ChipDefaultImage}, // "true " is not true
        {"BOREN", "On", TreeNode::NoStateImage,
         TreeNode::CompilerDefaultImage},                               // Tessel beats default
        {"BOREN", "Off", TreeNode::NoStateImage, TreeNode::PlainImage}, // "Default" is another key
    };
    for (const auto &e : expected) {
        const TreeNode *n = find(e.setting, e.option);
        ASSERT_TRUE(n) << e.option;
        EXPECT_EQ(n->stateIndex, e.state) << e.option;
        EXPECT_EQ(n->imageIndex, e.image) << e.option;
    }
    EXPECT_EQ(generateRuns, 1);
}

TEST_F(Session, CopyFillsTheNameListsOnTopOfTheirStartContent)
{
    load("multi_selected");
    EXPECT_EQ(configBits.words(), QStringList({"", "_BOR_OFF_2L", "_BOR_ON_2L", "_OSC_HS_1H",
                                               "_OSC_RC_1H", "_OSC_XT_1H"}));
    EXPECT_EQ(newConfigBits.words(), QStringList({"BOREN", "CLKOUTEN", "FOSC", "OSC"}));
}

TEST_F(Session, StyleAvailabilityFollowsTheFirstSetting)
{
    struct {
        const char *fixture;
        bool oldStyle, newStyle;
        StyleAvailability radios;
    } cases[] = {
        {"desc_lines", true, true, {true, true, true}},
        {"single_register", true, false, {false, true, false}}, // MCLRE's config does not count
        {"no_style", false, false, {false, false, true}},
    };
    for (const auto &c : cases) {
        session.New1Click();
        load(c.fixture);
        EXPECT_EQ(OldStyleAvailable(session.tree()), c.oldStyle) << c.fixture;
        EXPECT_EQ(NewStyleAvailable(session.tree()), c.newStyle) << c.fixture;
        EXPECT_EQ(styles.newEnabled, c.radios.newEnabled) << c.fixture;
        EXPECT_EQ(styles.oldEnabled, c.radios.oldEnabled) << c.fixture;
        EXPECT_EQ(styles.newChecked, c.radios.newChecked) << c.fixture;
    }
}

TEST_F(Session, ChooseOptionIsExclusiveAndAlwaysRegenerates)
{
    load("multi_selected");
    TreeNode *rc = find("OSC", "RC");
    rc->parent()->parent()->expanded = false;
    generateRuns = 0;
    session.ChooseOption(rc);
    EXPECT_TRUE(rc->isChosen());
    EXPECT_FALSE(find("OSC", "HS")->isChosen());
    EXPECT_FALSE(find("OSC", "XT")->isChosen());
    EXPECT_TRUE(rc->parent()->parent()->expanded);
    EXPECT_EQ(session.selectedNode(), rc);
    EXPECT_EQ(generateRuns, 1);

    TreeNode *setting = rc->parent();
    session.ChooseOption(setting); // not an option: marks stay, output is still rebuilt
    EXPECT_TRUE(rc->isChosen());
    EXPECT_EQ(session.selectedNode(), rc);
    EXPECT_EQ(generateRuns, 2);
}

TEST_F(Session, UnselectActsOnlyOnAChosenSelectedNode)
{
    load("multi_selected");
    generateRuns = 0;
    session.Unselect1Click(); // nothing selected
    session.setSelectedNode(find("OSC", "RC"));
    session.Unselect1Click(); // not chosen
    EXPECT_EQ(generateRuns, 0);
    session.setSelectedNode(find("OSC", "XT"));
    EXPECT_TRUE(session.popupActionsEnabled());
    session.Unselect1Click();
    EXPECT_FALSE(find("OSC", "XT")->isChosen());
    EXPECT_EQ(generateRuns, 1);

    session.setSelectedNode(find("OSC", "XT")->parent());
    EXPECT_FALSE(session.popupActionsEnabled());
    session.setSelectedNode(nullptr);
    EXPECT_FALSE(session.popupActionsEnabled());
}

TEST_F(Session, NewLeavesEachListWithOneEmptyEntry)
{
    load("multi_selected");
    session.New1Click();
    EXPECT_TRUE(session.isEmpty());
    EXPECT_EQ(configBits.words(), QStringList({QString()}));
    EXPECT_EQ(newConfigBits.words(), QStringList({QString()}));
}

TEST_F(Session, ExpandToLevelTwoHidesOptions)
{
    load("desc_lines");
    session.expandToLevel(2);
    session.tree().forEach([](TreeNode *n) {
        EXPECT_EQ(n->expanded, n->level() < 2) << n->text.toStdString();
        return true;
    });
}

TEST_F(Session, NothingLoadsForCommentsMissingOrEmptyFiles)
{
    data.writeTree(QStringLiteral("EMPTY"), QByteArray());
    EXPECT_FALSE(session.ADD_ButtonClick(QStringLiteral(";X")));
    EXPECT_FALSE(session.ADD_ButtonClick(QStringLiteral("NOPE")));
    EXPECT_FALSE(session.ADD_ButtonClick(QStringLiteral("EMPTY")));
    EXPECT_TRUE(session.isEmpty());
    EXPECT_EQ(generateRuns, 0);
}

TEST_F(Session, LevelErrorLoadsNothingIntoTheView)
{
    data.addFixtureTree(QStringLiteral("BAD"), QStringLiteral("level_error"));
    EXPECT_THROW(session.ADD_ButtonClick(QStringLiteral("BAD")), OrvexError);
    EXPECT_TRUE(session.isEmpty());
    EXPECT_EQ(session.loaderTree().nodeCount(), 4);
}

} // namespace
