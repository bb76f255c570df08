#pragma once

#include "configsession.h"
#include "devicecatalogue.h"
#include "imagelist.h"
#include "outputoptions.h"
#include "taglist.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class McuComboBox;
class TAboutBox;
class TPropsManager;
class TecSingleInstance;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class SyntAnalyzer;
class SyntaxManager;
class SyntaxMemo;

// The main window: the tree pane with the output options and the configuration tree, the editor
// pane with the generated text, the menus, and the handlers that route every user action.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Start-up and shutdown, in the order main() and the window events run them.
    void FormCreate();
    void FormShow();
    void FormClose();
    void About1Click();
    void CFGSingleInstance1AcceptInstInfo(const QString &text, bool &accept);

    // MCU box (the key is a Qt key code).
    void CPU_ComboBoxEnter();
    void CPU_ComboBoxDropDown();
    void CPU_ComboBoxCloseUp();
    void CPU_ComboBoxKeyDown(int key);
    void CPU_ComboBoxChange();

    void ADD_ButtonClick();
    void New1Click();
    void Exit1Click();
    void GenerateButtonClick();

    // Configuration tree.
    void ChooseOption(TreeNode *node);
    void UseThisOption1Click();
    void Unselect1Click();
    void PopupMenu1Popup();
    void TreeView1MouseDown(const QPoint &position);
    void Level1ButtonClick() { expandLevel(1); }
    void Level2ButtonClick() { expandLevel(2); }
    void Level3ButtonClick() { expandLevel(3); }
    void Level4ButtonClick() { expandLevel(4); }

    // Output option controls.
    void OldStyleRadioClick();
    void NewStyleRadioClick();
    void LongLinesRadioClick();
    void OnePerLineRadioClick();
    void HeaderCheckBoxClick();
    void Tessel3_CheckBoxClick();
    void Verify_CheckBoxClick();
    void CommentsCheckBoxClick();
    void CommentColumnChange();

    OutputOptions outputOptions() const;
    ConfigSession &session() { return m_session; }
    const ImageList &imageList() const { return ImageList1; }
    TreeNode *nodeOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *itemOf(const TreeNode *node) const { return m_items.value(node); }

    // Runs an action and reports any error it raises in the standard error message box.
    void runReportingErrors(const std::function<void()> &action);

    bool SelectingMCU = false;

    // The MPASM lexer's configuration-name lists, looked up at every device load.
    TagList *ConfigBits = nullptr;
    TagList *NewConfigBits = nullptr;

    // Components, under their design names.
    QWidget *Panel1 = nullptr;
    QWidget *Panel2 = nullptr;
    QWidget *Panel4 = nullptr;
    QWidget *Panel5 = nullptr;
    QWidget *Panel7 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QSplitter *Splitter2 = nullptr;
    McuComboBox *CPU_ComboBox = nullptr;
    QRadioButton *OldStyleRadio = nullptr;
    QRadioButton *NewStyleRadio = nullptr;
    QRadioButton *LongLinesRadio = nullptr;
    QRadioButton *OnePerLineRadio = nullptr;
    QCheckBox *HeaderCheckBox = nullptr;
    QCheckBox *Tessel3_CheckBox = nullptr;
    QCheckBox *Verify_CheckBox = nullptr;
    QCheckBox *CommentsCheckBox = nullptr;
    QCheckBox *Multiple_CheckBox = nullptr;
    QSpinBox *CommentColumn = nullptr;
    QPushButton *ADD_Button = nullptr;
    QToolButton *Level1Button = nullptr;
    QToolButton *Level2Button = nullptr;
    QToolButton *Level3Button = nullptr;
    QToolButton *Level4Button = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    SyntaxMemo *SyntaxMemo1 = nullptr;
    SyntaxMemo *ErrorsMemo = nullptr;
    SyntaxManager *SyntaxManager1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Select1 = nullptr;
    QAction *Unselect1 = nullptr;
    QAction *New1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *Undo1 = nullptr;
    QAction *Cut1 = nullptr;
    QAction *Copy1 = nullptr;
    QAction *Paste1 = nullptr;
    TPropsManager *PropsManager1 = nullptr; // main settings
    TPropsManager *PropsManager2 = nullptr; // window settings
    TecSingleInstance *CFGSingleInstance1 = nullptr;
    TAboutBox *AboutBox = nullptr; // created by main() after FormCreate

    static QStringList bannerLines();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createOptionsArea();
    void createExpandBar();
    void createTree();
    void createEditorPane();
    void createMenus();
    void connectHandlers();

    void expandLevel(int level);
    void rebuildTreeView();
    void syncTreeMarks();
    void syncTreeExpansion();
    void syncTreeSelection();
    QIcon nodeIcon(const TreeNode *node);

    SyntaxMemo *focusedEditor() const;
    void updateEditActions();

    std::unique_ptr<SyntAnalyzer> m_startUpLexer;
    ConfigSession m_session;
    DeviceCatalogue m_catalogue;
    ImageList ImageList1;
    QHash<const TreeNode *, QTreeWidgetItem *> m_items;
    QHash<int, QIcon> m_nodeIcons;
    QStringList m_errorLines{QStringLiteral("ErrorsMemo")};
    bool m_shown = false;
    bool m_listClosing = false;
    bool m_syncingTree = false;
};
