// The main window driven through its real widgets, offscreen, on a small data folder.
#include "Unit1.h"
#include "mcucombobox.h"
#include "syntaxmemo.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Closes every standard error box that opens while it lives and keeps the texts shown.
class ErrorBoxWatcher {
public:
    ErrorBoxWatcher()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts.append(box->windowTitle() + QLatin1Char('|') + box->text());
                box->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.writeCatalogue("PIC16X84\r\nPIC17C44\r\nPIC12X508\r\n;separator\r\nPIC99NOFILE\r\n");
        data.addFixtureTree(QStringLiteral("16X84"), QStringLiteral("desc_lines"));
        data.addFixtureTree(QStringLiteral("12X508"), QStringLiteral("single_register"));
        data.addFixtureTree(QStringLiteral("BAD"), QStringLiteral("level_error"));
        // Settings of one run must not leak into the next.
        qputenv("XDG_CONFIG_HOME", (data.path() + "/config").toLocal8Bit());
        previous = QDir::currentPath();
        QDir::setCurrent(data.path());
    }
    void TearDown() override
    {
        form.reset();
        QDir::setCurrent(previous);
    }

    // Start-up as main() runs it.
    TForm1 &start()
    {
        form = std::make_unique<TForm1>();
        form->FormCreate();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        auto inner = form->session().generate;
        form->session().generate = [this, inner] {
            ++generations;
            inner();
        };
        return *form;
    }

    void typeMcu(const QString &name)
    {
        QLineEdit *edit = form->CPU_ComboBox->lineEdit();
        form->CPU_ComboBox->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, name);
    }

    void load(const QString &name)
    {
        typeMcu(name);
        QTest::keyClick(form->CPU_ComboBox->lineEdit(), Qt::Key_Return);
        ASSERT_EQ(form->TreeView1->topLevelItemCount(), 1) << name.toStdString();
    }

    QString text() const { return form->SyntaxMemo1->toPlainText(); }

    QTreeWidgetItem *item(const QString &path) const
    {
        QTreeWidgetItem *current = form->TreeView1->topLevelItem(0);
        for (const QString &part : path.split(QLatin1Char('/'))) {
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; current && i < current->childCount() && !next; ++i)
                if (current->child(i)->text(0) == part)
                    next = current->child(i);
            current = next;
        }
        return current;
    }

    void press(QTreeWidgetItem *it, Qt::MouseButton button = Qt::LeftButton)
    {
        form->TreeView1->scrollToItem(it);
        const QPoint at = form->TreeView1->visualItemRect(it).center();
        QTest::mousePress(form->TreeView1->viewport(), button, {}, at);
        QTest::mouseRelease(form->TreeView1->viewport(), button, {}, at);
        if (button == Qt::RightButton) {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at, form->TreeView1->viewport()->mapToGlobal(at));
            QApplication::sendEvent(form->TreeView1->viewport(), &menu);
        }
    }

    TestSupport::DataDir data;
    QString previous;
    std::unique_ptr<TForm1> form;
    int generations = 0;
};

TEST_F(MainWindowTest, FirstStartShowsDesignDefaultsTheCatalogueAndTheBanner)
{
    TForm1 &w = start();
    EXPECT_EQ(w.windowTitle(), "Orvex");
    EXPECT_EQ(w.centralWidget()->size(), QSize(1052, 678));
    EXPECT_EQ(w.Panel1->width(), 290);
    for (QCheckBox *box :
         {w.HeaderCheckBox, w.Tessel3_CheckBox, w.Verify_CheckBox, w.CommentsCheckBox})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(w.CommentColumn->value(), 30);
    EXPECT_TRUE(w.CommentColumn->isEnabled());
    EXPECT_TRUE(w.NewStyleRadio->isChecked());
    EXPECT_TRUE(w.OnePerLineRadio->isChecked());

    // The box shows the first line as read; the list holds the stripped entries.
    EXPECT_EQ(w.CPU_ComboBox->currentText(), "PIC16X84");
    QStringList entries;
    for (int i = 0; i < w.CPU_ComboBox->count(); ++i)
        entries << w.CPU_ComboBox->itemText(i);
    EXPECT_EQ(entries, (QStringList{"16X84", "12X508", ";separator", "99NOFILE"}));

    EXPECT_EQ(w.SyntaxMemo1->lines(), TForm1::bannerLines());
    EXPECT_EQ(w.SyntaxMemo1->lexerName(), "Tessel");
    EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0);
    EXPECT_FALSE(w.Panel5->isVisible());
    EXPECT_EQ(w.ErrorsMemo->lines(), QStringList{"ErrorsMemo"});
    EXPECT_FALSE(w.ADD_Button->isVisible());
    EXPECT_FALSE(w.Multiple_CheckBox->isVisible());

    // The tree pane never gets narrower than 290.
    w.Splitter1->setSizes({100, 900});
    EXPECT_EQ(w.Panel1->width(), 290);
}

TEST_F(MainWindowTest, MissingCatalogueIsReportedAndStartUpGoesOn)
{
    QFile::remove(data.path() + "/PIC/DEVICES.txt");
    ErrorBoxWatcher boxes;
    TForm1 &w = start();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("Orvex|Cannot open file \""))
        << boxes.texts[0].toStdString();
    EXPECT_TRUE(boxes.texts[0].contains("DEVICES.txt"));
    EXPECT_TRUE(boxes.texts[0].endsWith('.'));
    EXPECT_EQ(w.CPU_ComboBox->currentText(), "Select an MCU");
    EXPECT_EQ(w.CPU_ComboBox->count(), 1);
    EXPECT_EQ(w.SyntaxMemo1->lines(), TForm1::bannerLines());
}

TEST_F(MainWindowTest, TypingLoadsOnlyOnEnter)
{
    TForm1 &w = start();
    typeMcu("12X508");
    w.TreeView1->setFocus(); // focus moves away: nothing loads
    QApplication::processEvents();
    EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0);
    EXPECT_EQ(w.SyntaxMemo1->lines(), TForm1::bannerLines());

    typeMcu("16X84");
    EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0);
    QTest::keyClick(w.CPU_ComboBox->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(w.TreeView1->topLevelItemCount(), 1);
    EXPECT_EQ(w.TreeView1->topLevelItem(0)->text(0), "16X84");
    EXPECT_EQ(generations, 1);
    const QStringList lines = w.SyntaxMemo1->lines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].startsWith(";----[16X84 Hardware Configuration]"));
    EXPECT_EQ(lines[0].size(), 80);
    EXPECT_TRUE(text().contains("FOSC = XT")); // the option the file marks "selected"
    EXPECT_EQ(w.focusWidget(), w.TreeView1);

    // Another device replaces the first one.
    load("12X508");
    EXPECT_EQ(w.TreeView1->topLevelItem(0)->text(0), "12X508");
    EXPECT_FALSE(text().contains("16X84"));
}

TEST_F(MainWindowTest, PickFromTheOpenListLoadsOnce)
{
    TForm1 &w = start();
    w.CPU_ComboBox->setFocus();
    w.CPU_ComboBox->showPopup();
    EXPECT_TRUE(w.SelectingMCU);
    QAbstractItemView *view = w.CPU_ComboBox->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
    const QRect row = view->visualRect(w.CPU_ComboBox->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.TreeView1->topLevelItemCount() == 1; }));
    QApplication::processEvents();
    EXPECT_EQ(w.TreeView1->topLevelItem(0)->text(0), "12X508");
    EXPECT_EQ(generations, 1);
}

TEST_F(MainWindowTest, NamesThatLoadNothingLeaveTheBannerAndFileErrorsAreReported)
{
    TForm1 &w = start();
    for (const char *name : {";separator", "99NOFILE"}) {
        typeMcu(name);
        QTest::keyClick(w.CPU_ComboBox->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0) << name;
        EXPECT_EQ(w.SyntaxMemo1->lines(), TForm1::bannerLines()) << name;
    }

    ErrorBoxWatcher boxes;
    typeMcu("BAD");
    QTest::keyClick(w.CPU_ComboBox->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("Orvex|Invalid level (5) for item \"desc = too deep\""))
        << boxes.texts[0].toStdString();
    EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0);
}

// Each row changes one option control through the widget and expects a different text.
TEST_F(MainWindowTest, EveryOptionControlRegenerates)
{
    struct Row {
        const char *control;
        std::function<void(TForm1 &)> change;
    };
    const auto click = [](auto member) {
        return
            [member](TForm1 &w) { QTest::mouseClick(w.*member, Qt::LeftButton, {}, QPoint(6, 8)); };
    };
    const std::vector<Row> rows = {
        {"Headers", click(&TForm1::HeaderCheckBox)},
        {"Tessel3", click(&TForm1::Tessel3_CheckBox)},
        {"Verify MCU", click(&TForm1::Verify_CheckBox)},
        {"Comments", click(&TForm1::CommentsCheckBox)},
        {"OLD", click(&TForm1::OldStyleRadio)},
        {"Long Lines", click(&TForm1::LongLinesRadio)},
        {"comment column",
         [](TForm1 &w) {
             w.CommentColumn->setFocus();
             QTest::keyClick(w.CommentColumn, Qt::Key_Up);
         }},
    };
    for (const Row &row : rows) {
        start();
        load("16X84");
        const QString before = text();
        row.change(*form);
        EXPECT_NE(text(), before) << row.control;
        form.reset();
    }
}

TEST_F(MainWindowTest, LineTypeEnablesCommentsAndColumn)
{
    TForm1 &w = start();
    QTest::mouseClick(w.LongLinesRadio, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(w.CommentsCheckBox->isChecked());
    EXPECT_FALSE(w.CommentsCheckBox->isEnabled());
    EXPECT_FALSE(w.CommentColumn->isEnabled());
    EXPECT_FALSE(w.outputOptions().commentsEnabled);

    QTest::mouseClick(w.OnePerLineRadio, Qt::LeftButton, {}, QPoint(6, 8));
    QTest::mouseClick(w.CommentsCheckBox, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_FALSE(w.CommentColumn->isEnabled());
    QTest::mouseClick(w.LongLinesRadio, Qt::LeftButton, {}, QPoint(6, 8));
    QTest::mouseClick(w.OnePerLineRadio, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_FALSE(w.CommentsCheckBox->isChecked());
    EXPECT_TRUE(w.CommentsCheckBox->isEnabled());
    EXPECT_TRUE(w.CommentColumn->isEnabled());
}

TEST_F(MainWindowTest, StyleRadiosFollowEachLoadedDevice)
{
    TForm1 &w = start();
    load("12X508"); // legacy names only, and its first setting has no "config"
    EXPECT_TRUE(w.OldStyleRadio->isChecked());
    EXPECT_TRUE(w.OldStyleRadio->isEnabled());
    EXPECT_FALSE(w.NewStyleRadio->isEnabled());
    EXPECT_TRUE(text().contains("_CP_OFF"));

    load("16X84");
    EXPECT_TRUE(w.NewStyleRadio->isChecked());
    EXPECT_TRUE(w.NewStyleRadio->isEnabled());
    EXPECT_TRUE(w.OldStyleRadio->isEnabled());
}

TEST_F(MainWindowTest, PopupActsOnOptionsOnly)
{
    TForm1 &w = start();
    load("16X84");
    press(item("CONFIG/FOSC"), Qt::RightButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.PopupMenu1->isVisible(); }));
    EXPECT_FALSE(w.Select1->isEnabled());
    EXPECT_FALSE(w.Unselect1->isEnabled());
    w.PopupMenu1->close();

    // The setting's "desc" line has no attribute lines: not an option either.
    press(item("CONFIG/FOSC/desc = Oscillator selection"), Qt::RightButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.PopupMenu1->isVisible(); }));
    EXPECT_FALSE(w.Select1->isEnabled());
    w.PopupMenu1->close();

    QTreeWidgetItem *lp = item("CONFIG/FOSC/LP oscillator");
    press(lp, Qt::RightButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.PopupMenu1->isVisible(); }));
    EXPECT_TRUE(w.Select1->isEnabled());
    EXPECT_TRUE(w.Unselect1->isEnabled());
    w.PopupMenu1->close();

    const QString xt = text();
    w.Select1->trigger();
    EXPECT_TRUE(text().contains("FOSC = LP"));
    EXPECT_FALSE(text().contains("FOSC = XT"));
    EXPECT_TRUE(w.nodeOf(lp)->isChosen());
    EXPECT_FALSE(w.nodeOf(item("CONFIG/FOSC/XT oscillator"))->isChosen());
    EXPECT_EQ(w.TreeView1->currentItem(), lp);

    // Without any chosen option the setting falls back to its chip default.
    w.Unselect1->trigger();
    EXPECT_TRUE(text().contains("FOSC = RC"));
    EXPECT_NE(text(), xt);
}

TEST_F(MainWindowTest, ExpandLevelShowsTheTreeDownToThatLevel)
{
    TForm1 &w = start();
    load("16X84");
    EXPECT_TRUE(item("CONFIG/FOSC")->isExpanded()); // a load shows the options

    QTest::mouseClick(w.Level2Button, Qt::LeftButton);
    EXPECT_TRUE(w.TreeView1->topLevelItem(0)->isExpanded());
    EXPECT_TRUE(item("CONFIG")->isExpanded());
    EXPECT_FALSE(item("CONFIG/FOSC")->isExpanded());
    EXPECT_FALSE(item("CONFIG/WDTE")->isExpanded());

    QTest::mouseClick(w.Level4Button, Qt::LeftButton);
    EXPECT_TRUE(item("CONFIG/FOSC/LP oscillator")->isExpanded());

    QTest::mouseClick(w.Level1Button, Qt::LeftButton);
    EXPECT_TRUE(w.TreeView1->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(item("CONFIG")->isExpanded());
    EXPECT_FALSE(w.session().tree().first()->child(0)->expanded);
}

TEST_F(MainWindowTest, NewClearsTreeEditorAndNameLists)
{
    TForm1 &w = start();
    load("16X84");
    ASSERT_TRUE(w.ConfigBits && w.NewConfigBits);
    EXPECT_GT(w.NewConfigBits->size(), 2);
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(w.TreeView1->topLevelItemCount(), 0);
    EXPECT_TRUE(w.SyntaxMemo1->toPlainText().isEmpty());
    EXPECT_EQ(w.SyntaxMemo1->textCursor().position(), 0);
    EXPECT_EQ(w.ConfigBits->words(), QStringList{QString()});
    EXPECT_EQ(w.NewConfigBits->words(), QStringList{QString()});

    // With the tree empty the option controls leave the editor alone.
    QTest::mouseClick(w.HeaderCheckBox, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(w.SyntaxMemo1->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, EditMenuFollowsTheFocusedEditor)
{
    TForm1 &w = start();
    load("16X84");
    w.TreeView1->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(w.Copy1->isEnabled());
    EXPECT_FALSE(w.Paste1->isEnabled());

    w.SyntaxMemo1->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(w.Copy1->isEnabled()); // nothing selected yet
    EXPECT_FALSE(w.Undo1->isEnabled());
    QTest::keyClick(w.SyntaxMemo1, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(w.Copy1->isEnabled());
    EXPECT_TRUE(w.Cut1->isEnabled());
    w.Cut1->trigger();
    EXPECT_TRUE(w.Undo1->isEnabled());
    EXPECT_TRUE(w.Paste1->isEnabled());
    EXPECT_FALSE(text().startsWith(';'));
    w.Undo1->trigger();
    EXPECT_TRUE(text().startsWith(';'));
}

TEST_F(MainWindowTest, ExitClosesTheWindow)
{
    TForm1 &w = start();
    w.Exit1->trigger();
    EXPECT_FALSE(w.isVisible());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
