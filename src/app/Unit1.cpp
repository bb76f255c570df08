#include "Unit1.h"

#include "About.h"
#include "errorbox.h"
#include "generator.h"
#include "mcucombobox.h"
#include "orvexerror.h"
#include "propsmanager.h"
#include "singleinstance.h"
#include "syntanalyzer.h"
#include "syntaxmanager.h"
#include "syntaxmemo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

namespace {

constexpr int TreePaneWidth = 290;
constexpr int NodeRole = Qt::UserRole + 1;

template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace

QStringList TForm1::bannerLines()
{
    return {
        QStringLiteral(";"),
        QStringLiteral(";"),
        QStringLiteral("; Orvex"),
        QStringLiteral("; Cofiguration Generator for Tessel"),
        QStringLiteral("; Provided by Tarnwell"),
        QStringLiteral("; https://www.tarnwell.example/orvex"),
        QString(),
        QStringLiteral("; <<< Select an MCU to begin <<<"),
    };
}

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), ImageList1(devicePixelRatioF())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvex"));
    QFont uiFont(QStringLiteral("Tahoma"));
    uiFont.setPointSize(8);
    setFont(uiFont);

    Panel1 = named(new QWidget, "Panel1");
    Panel1->setMinimumWidth(TreePaneWidth);
    auto *treePaneLayout = new QVBoxLayout(Panel1);
    treePaneLayout->setContentsMargins(0, 0, 0, 0);
    treePaneLayout->setSpacing(0);
    createOptionsArea();
    createExpandBar();
    createTree();
    treePaneLayout->addWidget(Panel2);
    treePaneLayout->addWidget(Panel7);
    treePaneLayout->addWidget(TreeView1, 1);

    createEditorPane();

    Splitter1 = named(new QSplitter(Qt::Horizontal), "Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(Panel1);
    Splitter1->addWidget(Panel4);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    setCentralWidget(Splitter1);

    createMenus();
    connectHandlers();

    m_session.generate = [this] { GenerateButtonClick(); };
    m_session.findConfigBitLists = [this] {
        const SyntAnalyzer *mpasm = SyntaxManager1->AnalyzerForFile(u"a.asm");
        ConfigBits = FirstConditionTags(mpasm, QStringLiteral("Config Bits"));
        NewConfigBits = FirstConditionTags(mpasm, QStringLiteral("NewStyle Config Bits"));
        return ConfigSession::ConfigBitLists{ConfigBits, NewConfigBits};
    };
    m_session.applyStyleAvailability = [this](const StyleAvailability &style) {
        // Checking a radio runs its click handler, which regenerates.
        if (style.newChecked)
            NewStyleRadio->setChecked(true);
        else
            OldStyleRadio->setChecked(true);
        NewStyleRadio->setEnabled(style.newEnabled);
        OldStyleRadio->setEnabled(style.oldEnabled);
    };

    // The design client area; the menu bar lies outside it.
    resize(1052, 678 + menuBar()->sizeHint().height());
    Splitter1->setSizes({TreePaneWidth, 1052 - TreePaneWidth - Splitter1->handleWidth()});

    PropsManager1 = named(new TPropsManager(this), "PropsManager1");
    PropsManager1->Template = this;
    PropsManager1->IniSection = QStringLiteral("Software\\Tarnwell\\Orvex");
    PropsManager1->Properties = {
        QStringLiteral("Panel1.Width"),           QStringLiteral("Splitter1.left"),
        QStringLiteral("Tessel3_CheckBox.Checked"), QStringLiteral("CommentsCheckBox.Checked"),
        QStringLiteral("CommentColumn.Value"),    QStringLiteral("HeaderCheckBox.Checked"),
        QStringLiteral("Verify_CheckBox.Checked"), QStringLiteral("WindowState"),
        QStringLiteral("CPU_ComboBox.Text"),
    };
    PropsManager2 = named(new TPropsManager(this), "PropsManager2");
    PropsManager2->Template = this;
    PropsManager2->IniSection = QStringLiteral("Software\\Tarnwell\\Orvex\\Window");
    PropsManager2->Properties = {QStringLiteral("top"), QStringLiteral("left"),
                                 QStringLiteral("height"), QStringLiteral("width"), QString()};
    CFGSingleInstance1 = named(new TecSingleInstance(this), "CFGSingleInstance1");
    CFGSingleInstance1->AcceptInstInfo = [this](const QString &text, bool &accept) {
        CFGSingleInstance1AcceptInstInfo(text, accept);
    };
}

TForm1::~TForm1()
{
    // ~QWidget closes the window and hides the children, which moves the focus and closes the MCU
    // box's list; by then this is no longer a TForm1 to call back into.
    disconnect(qApp, nullptr, this, nullptr);
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children)
        disconnect(child, nullptr, this, nullptr);
}

void TForm1::createOptionsArea()
{
    Panel2 = named(new QWidget, "Panel2");
    Panel2->setFixedHeight(92);

    auto *mcuLabel = named(new QLabel(QStringLiteral("MCU"), Panel2), "Label1");
    mcuLabel->setGeometry(4, 5, 26, 16);
    CPU_ComboBox = named(new McuComboBox(Panel2), "CPU_ComboBox");
    CPU_ComboBox->setGeometry(30, 2, 115, 22);
    CPU_ComboBox->setMaxVisibleItems(20);
    QPalette moneyGreen = CPU_ComboBox->palette();
    moneyGreen.setColor(QPalette::Base, QColor(192, 220, 192));
    CPU_ComboBox->setPalette(moneyGreen);
    CPU_ComboBox->lineEdit()->setPalette(moneyGreen);
    CPU_ComboBox->addItem(QString());
    CPU_ComboBox->setEditText(m_catalogue.text);

    auto *style = named(new QGroupBox(QStringLiteral("Style"), Panel2), "StyleGroup");
    style->setGeometry(2, 25, 56, 65);
    OldStyleRadio = named(new QRadioButton(QStringLiteral("OLD"), style), "OldStyleRadio");
    NewStyleRadio = named(new QRadioButton(QStringLiteral("NEW"), style), "NewStyleRadio");
    OldStyleRadio->setGeometry(6, 19, 48, 19);
    NewStyleRadio->setGeometry(6, 41, 48, 19);
    NewStyleRadio->setChecked(true);

    auto *lineType = named(new QGroupBox(QStringLiteral("Line Type"), Panel2), "LineTypeGroup");
    lineType->setGeometry(60, 25, 88, 65);
    LongLinesRadio = named(new QRadioButton(QStringLiteral("Long Lines"), lineType), "LongLinesRadio");
    OnePerLineRadio = named(new QRadioButton(QStringLiteral("1 per Line"), lineType), "OnePerLineRadio");
    LongLinesRadio->setGeometry(4, 19, 83, 19);
    OnePerLineRadio->setGeometry(4, 41, 83, 19);
    OnePerLineRadio->setChecked(true);

    constexpr int right = 150;
    HeaderCheckBox = named(new QCheckBox(QStringLiteral("Headers"), Panel2), "HeaderCheckBox");
    Tessel3_CheckBox = named(new QCheckBox(QStringLiteral("Tessel3"), Panel2), "Tessel3_CheckBox");
    Verify_CheckBox = named(new QCheckBox(QStringLiteral("Verify MCU"), Panel2), "Verify_CheckBox");
    CommentsCheckBox = named(new QCheckBox(QStringLiteral("Comments"), Panel2), "CommentsCheckBox");
    HeaderCheckBox->setGeometry(right, 2, 90, 20);
    Tessel3_CheckBox->setGeometry(right, 24, 90, 20);
    Verify_CheckBox->setGeometry(right, 46, 90, 20);
    CommentsCheckBox->setGeometry(right, 68, 78, 20);
    for (QCheckBox *box : {HeaderCheckBox, Tessel3_CheckBox, Verify_CheckBox, CommentsCheckBox})
        box->setChecked(true);
    CommentColumn = named(new QSpinBox(Panel2), "CommentColumn");
    CommentColumn->setGeometry(right + 80, 67, 54, 22);
    CommentColumn->setRange(0, 80);
    CommentColumn->setValue(30);

    ADD_Button = named(new QPushButton(QStringLiteral("ADD"), Panel2), "ADD_Button");
    ADD_Button->setGeometry(244, 2, 40, 20);
    ADD_Button->setEnabled(false);
    ADD_Button->hide();
    Multiple_CheckBox = named(new QCheckBox(QStringLiteral("Multiple"), Panel2), "Multiple_CheckBox");
    Multiple_CheckBox->setGeometry(244, 24, 40, 20);
    Multiple_CheckBox->setEnabled(false);
    Multiple_CheckBox->hide();
}

void TForm1::createExpandBar()
{
    Panel7 = named(new QWidget, "Panel7");
    Panel7->setFixedHeight(19);
    auto *layout = new QHBoxLayout(Panel7);
    layout->setContentsMargins(2, 1, 2, 2);
    layout->setSpacing(2);
    QToolButton **buttons[] = {&Level1Button, &Level2Button, &Level3Button, &Level4Button};
    for (int i = 0; i < 4; ++i) {
        auto *button = new QToolButton;
        button->setObjectName(QStringLiteral("Level%1Button").arg(i + 1));
        button->setText(QString::number(i + 1));
        button->setFixedSize(16, 16);
        button->setToolTip(QStringLiteral("Expand to level %1").arg(i + 1));
        layout->addWidget(button);
        *buttons[i] = button;
    }
    layout->addSpacing(4);
    layout->addWidget(named(new QLabel(QStringLiteral("Expand Level")), "Label2"));
    layout->addStretch(1);
}

void TForm1::createTree()
{
    TreeView1 = named(new QTreeWidget, "TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setIndentation(19);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setUniformRowHeights(true);
    TreeView1->setIconSize(QSize(2 * ImageList::Size, ImageList::Size));
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeView1->header()->setStretchLastSection(false);
    TreeView1->viewport()->installEventFilter(this);

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    Select1 = PopupMenu1->addAction(QStringLiteral("Select"));
    Select1->setObjectName(QStringLiteral("Select1"));
    PopupMenu1->addSeparator();
    Unselect1 = PopupMenu1->addAction(QStringLiteral("Unselect"));
    Unselect1->setObjectName(QStringLiteral("Unselect1"));
}

void TForm1::createEditorPane()
{
    Panel4 = named(new QWidget, "Panel4");
    auto *layout = new QVBoxLayout(Panel4);
    layout->setContentsMargins(0, 0, 0, 0);

    SyntaxManager1 = named(new SyntaxManager(this), "SyntaxManager1");
    m_startUpLexer = SyntaxManager1->createStartUpLexer();

    SyntaxMemo1 = named(new SyntaxMemo, "SyntaxMemo1");
    SyntaxMemo1->setLexerLibrary(SyntaxManager1);
    SyntaxMemo1->setLexer(m_startUpLexer.get());
    SyntaxMemo1->setLines(bannerLines());

    Panel5 = named(new QWidget, "Panel5");
    auto *errorLayout = new QVBoxLayout(Panel5);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    errorLayout->setSpacing(0);
    auto *strip = named(new QWidget, "Panel6");
    strip->setFixedHeight(17);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 0, 0, 0);
    stripLayout->addWidget(named(new QLabel(QStringLiteral("ERRORS")), "Label3"));
    stripLayout->addStretch(1);
    auto *closeErrors = named(new QPushButton(QStringLiteral("X")), "ErrorsCloseButton");
    closeErrors->setFixedSize(21, 17);
    closeErrors->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    stripLayout->addWidget(closeErrors);
    ErrorsMemo = named(new SyntaxMemo, "ErrorsMemo");
    ErrorsMemo->setLexerLibrary(SyntaxManager1);
    ErrorsMemo->setLexer(m_startUpLexer.get());
    ErrorsMemo->setLines(m_errorLines);
    errorLayout->addWidget(strip);
    errorLayout->addWidget(ErrorsMemo, 1);

    Splitter2 = named(new QSplitter(Qt::Vertical), "Splitter2");
    Splitter2->addWidget(SyntaxMemo1);
    Splitter2->addWidget(Panel5);
    Splitter2->setSizes({557, 121});
    Panel5->hide();
    layout->addWidget(Splitter2);
}

void TForm1::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = file->addAction(QStringLiteral("&New"));
    New1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction *open = file->addAction(QStringLiteral("&Open..."));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction *save = file->addAction(QStringLiteral("&Save"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction *saveAs = file->addAction(QStringLiteral("Save &As..."));
    for (QAction *a : {open, save, saveAs})
        a->setEnabled(false);
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("E&xit"));

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    Undo1 = edit->addAction(QStringLiteral("&Undo"));
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    edit->addSeparator();
    Cut1 = edit->addAction(QStringLiteral("Cu&t"));
    Cut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = edit->addAction(QStringLiteral("&Copy"));
    Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = edit->addAction(QStringLiteral("&Paste"));
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(edit, &QMenu::aboutToShow, this, &TForm1::updateEditActions);

    QMenu *help = menuBar()->addMenu(QStringLiteral("Help"));
    QAction *topics = help->addAction(QStringLiteral("Topics"));
    topics->setEnabled(false);
    QAction *about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About1"));
    connect(about, &QAction::triggered, this, &TForm1::About1Click);

    New1->setObjectName(QStringLiteral("New1"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Undo1->setObjectName(QStringLiteral("Undo1"));
    Cut1->setObjectName(QStringLiteral("Cut1"));
    Copy1->setObjectName(QStringLiteral("Copy1"));
    Paste1->setObjectName(QStringLiteral("Paste1"));
}

void TForm1::connectHandlers()
{
    connect(CPU_ComboBox, &McuComboBox::dropDown, this, &TForm1::CPU_ComboBoxDropDown);
    connect(CPU_ComboBox, &McuComboBox::closeUp, this, &TForm1::CPU_ComboBoxCloseUp);
    // Only a pick from the open list counts as a change: the box also reports "activated" when
    // the focus leaves with a listed name typed in, and text set from code must not load either.
    connect(CPU_ComboBox, &QComboBox::textActivated, this, [this] {
        if (m_listClosing) {
            m_listClosing = false;
            CPU_ComboBoxChange();
        }
    });
    CPU_ComboBox->installEventFilter(this);
    CPU_ComboBox->lineEdit()->installEventFilter(this);
    connect(CPU_ComboBox->lineEdit(), &QLineEdit::textEdited, this, [this] { SelectingMCU = true; });
    connect(ADD_Button, &QPushButton::clicked, this, &TForm1::ADD_ButtonClick);

    // A radio's click handler runs when it becomes checked, by the user or by the program.
    const auto onChecked = [this](QRadioButton *radio, void (TForm1::*handler)()) {
        connect(radio, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    };
    onChecked(OldStyleRadio, &TForm1::OldStyleRadioClick);
    onChecked(NewStyleRadio, &TForm1::NewStyleRadioClick);
    onChecked(LongLinesRadio, &TForm1::LongLinesRadioClick);
    onChecked(OnePerLineRadio, &TForm1::OnePerLineRadioClick);
    connect(HeaderCheckBox, &QCheckBox::toggled, this, &TForm1::HeaderCheckBoxClick);
    connect(Tessel3_CheckBox, &QCheckBox::toggled, this, &TForm1::Tessel3_CheckBoxClick);
    connect(Verify_CheckBox, &QCheckBox::toggled, this, &TForm1::Verify_CheckBoxClick);
    connect(CommentsCheckBox, &QCheckBox::toggled, this, &TForm1::CommentsCheckBoxClick);
    connect(CommentColumn, &QSpinBox::valueChanged, this, &TForm1::CommentColumnChange);

    connect(Level1Button, &QToolButton::clicked, this, &TForm1::Level1ButtonClick);
    connect(Level2Button, &QToolButton::clicked, this, &TForm1::Level2ButtonClick);
    connect(Level3Button, &QToolButton::clicked, this, &TForm1::Level3ButtonClick);
    connect(Level4Button, &QToolButton::clicked, this, &TForm1::Level4ButtonClick);

    connect(TreeView1, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu1Popup();
        PopupMenu1->popup(TreeView1->viewport()->mapToGlobal(pos));
    });
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm1::PopupMenu1Popup);
    connect(Select1, &QAction::triggered, this, &TForm1::UseThisOption1Click);
    connect(Unselect1, &QAction::triggered, this, &TForm1::Unselect1Click);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (!m_syncingTree)
            m_session.setSelectedNode(nodeOf(current));
    });
    connect(TreeView1, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        if (TreeNode *n = nodeOf(item))
            n->expanded = true;
    });
    connect(TreeView1, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        if (TreeNode *n = nodeOf(item))
            n->expanded = false;
    });

    connect(New1, &QAction::triggered, this, &TForm1::New1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    const auto editCommand = [this](QAction *action, int command) {
        connect(action, &QAction::triggered, this, [this, command] {
            if (SyntaxMemo *editor = focusedEditor())
                editor->run(static_cast<SyntaxMemo::Command>(command));
        });
    };
    editCommand(Undo1, SyntaxMemo::Undo);
    editCommand(Cut1, SyntaxMemo::Cut);
    editCommand(Copy1, SyntaxMemo::Copy);
    editCommand(Paste1, SyntaxMemo::Paste);
    connect(qApp, &QApplication::focusChanged, this, &TForm1::updateEditActions);
    connect(SyntaxMemo1, &SyntaxMemo::commandStateChanged, this, &TForm1::updateEditActions);
    connect(ErrorsMemo, &SyntaxMemo::commandStateChanged, this, &TForm1::updateEditActions);
    updateEditActions();
}

// --- start-up and shutdown -------------------------------------------------------------------

void TForm1::runReportingErrors(const std::function<void()> &action)
{
    try {
        action();
    } catch (const OrvexError &e) {
        ErrorBox::show(this, e.message());
    } catch (const std::exception &e) {
        ErrorBox::show(this, QString::fromLocal8Bit(e.what()));
    }
}

void TForm1::FormCreate()
{
    runReportingErrors([this] {
        LoadDeviceCatalogue(m_catalogue);
        CPU_ComboBox->clear();
        CPU_ComboBox->addItems(m_catalogue.entries);
        CPU_ComboBox->setEditText(m_catalogue.text);
    });
}

void TForm1::FormShow()
{
    // Window bounds first, so that a restored maximised state keeps them as the normal bounds.
    PropsManager2->LoadProps();
    PropsManager1->LoadProps();
    ConfigBits = nullptr;
    SelectingMCU = false;
    TecSingleInstance::trace(QStringLiteral("main window shown"));
}

void TForm1::FormClose()
{
    if (isMinimized()) {
        // A window manager applies showNormal later; the bounds saved below must be the normal ones.
        const QRect normal = normalGeometry();
        showNormal();
        if (normal.isValid())
            setGeometry(normal);
    }
    PropsManager1->SaveProps();
    // A maximised window keeps the bounds of its last close in the normal state.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        PropsManager2->SaveProps();
}

void TForm1::About1Click()
{
    if (AboutBox)
        AboutBox->exec();
}

void TForm1::CFGSingleInstance1AcceptInstInfo(const QString &text, bool &accept)
{
    Q_UNUSED(text);
    Q_UNUSED(accept);
    if (!isActiveWindow()) {
        activateWindow();
        setFocus();
    }
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

// --- MCU box ---------------------------------------------------------------------------------

void TForm1::CPU_ComboBoxEnter()
{
    SelectingMCU = true;
}

void TForm1::CPU_ComboBoxDropDown()
{
    SelectingMCU = true;
}

void TForm1::CPU_ComboBoxCloseUp()
{
    SelectingMCU = false;
    // A pick is reported right after the list closes, within the same event.
    m_listClosing = true;
    QTimer::singleShot(0, this, [this] { m_listClosing = false; });
}

void TForm1::CPU_ComboBoxKeyDown(int key)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && SelectingMCU) {
        SelectingMCU = false;
        CPU_ComboBoxChange();
    }
}

void TForm1::CPU_ComboBoxChange()
{
    if (SelectingMCU)
        return;
    if (TreeView1->topLevelItemCount() > 0)
        New1Click();
    ADD_ButtonClick();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == CPU_ComboBox || watched == CPU_ComboBox->lineEdit()) {
        switch (event->type()) {
        case QEvent::FocusIn:
            CPU_ComboBoxEnter();
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            CPU_ComboBoxKeyDown(key);
            // Enter is fully handled here: the box must not report it as a pick as well.
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return true;
            break;
        }
        case QEvent::Wheel:
            // Scrolling over the closed box would step through devices, loading each one.
            return true;
        default:
            break;
        }
    } else if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        TreeView1MouseDown(static_cast<QMouseEvent *>(event)->position().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- device load and generation ---------------------------------------------------------------

void TForm1::ADD_ButtonClick()
{
    runReportingErrors([this] {
        if (!m_session.ADD_ButtonClick(CPU_ComboBox->currentText()))
            return;
        rebuildTreeView();
        TreeView1->setFocus();
    });
}

void TForm1::New1Click()
{
    m_session.New1Click();
    m_syncingTree = true;
    TreeView1->clear();
    m_items.clear();
    m_syncingTree = false;
    SyntaxMemo1->clearAll();
}

void TForm1::Exit1Click()
{
    close();
}

OutputOptions TForm1::outputOptions() const
{
    OutputOptions o;
    o.headers = HeaderCheckBox->isChecked();
    o.tessel3 = Tessel3_CheckBox->isChecked();
    o.verifyMcu = Verify_CheckBox->isChecked();
    o.comments = CommentsCheckBox->isChecked();
    o.commentsEnabled = CommentsCheckBox->isEnabled();
    o.commentColumn = CommentColumn->value();
    o.oldStyle = OldStyleRadio->isChecked();
    o.longLines = LongLinesRadio->isChecked();
    o.mcuName = CPU_ComboBox->currentText();
    return o;
}

void TForm1::GenerateButtonClick()
{
    const qsizetype knownErrors = m_errorLines.size();
    {
        SyntaxMemo::UpdateScope update(SyntaxMemo1);
        ::GenerateButtonClick(m_session.tree(), outputOptions(), *SyntaxMemo1, m_errorLines);
    }
    if (m_errorLines.size() > knownErrors) {
        SyntaxMemo::UpdateScope update(ErrorsMemo);
        for (qsizetype i = knownErrors; i < m_errorLines.size(); ++i)
            ErrorsMemo->appendLine(m_errorLines[i]);
    }
}

// --- output option controls ------------------------------------------------------------------

void TForm1::OldStyleRadioClick()
{
    GenerateButtonClick();
}

void TForm1::NewStyleRadioClick()
{
    GenerateButtonClick();
}

void TForm1::LongLinesRadioClick()
{
    CommentsCheckBox->setEnabled(false);
    CommentColumn->setEnabled(false);
    GenerateButtonClick();
}

void TForm1::OnePerLineRadioClick()
{
    CommentsCheckBox->setEnabled(true);
    CommentColumn->setEnabled(true);
    GenerateButtonClick();
}

void TForm1::HeaderCheckBoxClick()
{
    GenerateButtonClick();
}

void TForm1::Tessel3_CheckBoxClick()
{
    GenerateButtonClick();
}

void TForm1::Verify_CheckBoxClick()
{
    GenerateButtonClick();
}

void TForm1::CommentsCheckBoxClick()
{
    CommentColumn->setEnabled(CommentsCheckBox->isChecked());
    GenerateButtonClick();
}

void TForm1::CommentColumnChange()
{
    GenerateButtonClick();
}

// --- configuration tree ----------------------------------------------------------------------

TreeNode *TForm1::nodeOf(const QTreeWidgetItem *item) const
{
    return item ? static_cast<TreeNode *>(item->data(0, NodeRole).value<void *>()) : nullptr;
}

QIcon TForm1::nodeIcon(const TreeNode *node)
{
    // The state image sits left of the image, as in a tree with a state image list.
    const int key = node->stateIndex * 16 + node->imageIndex;
    auto it = m_nodeIcons.constFind(key);
    if (it != m_nodeIcons.constEnd())
        return *it;
    const qreal dpr = devicePixelRatioF();
    QPixmap pixmap(qRound(2 * ImageList::Size * dpr), qRound(ImageList::Size * dpr));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.drawPixmap(0, 0, ImageList1.pixmap(node->stateIndex));
    p.drawPixmap(ImageList::Size, 0, ImageList1.pixmap(node->imageIndex));
    p.end();
    return *m_nodeIcons.insert(key, QIcon(pixmap));
}

void TForm1::rebuildTreeView()
{
    m_syncingTree = true;
    TreeView1->setUpdatesEnabled(false);
    TreeView1->clear();
    m_items.clear();
    QList<QTreeWidgetItem *> topLevel;
    m_session.tree().forEach([&](TreeNode *node) {
        auto *item = new QTreeWidgetItem(QStringList{node->text});
        item->setData(0, NodeRole, QVariant::fromValue(static_cast<void *>(node)));
        item->setIcon(0, nodeIcon(node));
        if (TreeNode *parent = node->parent())
            m_items.value(parent)->addChild(item);
        else
            topLevel.append(item);
        m_items.insert(node, item);
        return true;
    });
    // Added in one go once complete: the view lays out once instead of once per node.
    TreeView1->addTopLevelItems(topLevel);
    syncTreeExpansion();
    syncTreeSelection();
    TreeView1->setUpdatesEnabled(true);
    m_syncingTree = false;
}

void TForm1::syncTreeMarks()
{
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        it.value()->setIcon(0, nodeIcon(it.key()));
}

void TForm1::syncTreeExpansion()
{
    m_session.tree().forEach([this](TreeNode *node) {
        QTreeWidgetItem *item = m_items.value(node);
        if (item && item->childCount() > 0 && item->isExpanded() != node->expanded)
            item->setExpanded(node->expanded);
        return true;
    });
}

void TForm1::syncTreeSelection()
{
    QTreeWidgetItem *item = m_items.value(m_session.selectedNode());
    const bool wasSyncing = m_syncingTree;
    m_syncingTree = true;
    TreeView1->setCurrentItem(item);
    if (item)
        TreeView1->scrollToItem(item);
    m_syncingTree = wasSyncing;
}

void TForm1::ChooseOption(TreeNode *node)
{
    m_session.ChooseOption(node);
    syncTreeMarks();
    syncTreeExpansion();
    syncTreeSelection();
}

void TForm1::UseThisOption1Click()
{
    ChooseOption(m_session.selectedNode());
    TreeView1->viewport()->update();
}

void TForm1::Unselect1Click()
{
    m_session.Unselect1Click();
    syncTreeMarks();
}

void TForm1::PopupMenu1Popup()
{
    const bool enabled = m_session.popupActionsEnabled();
    Select1->setEnabled(enabled);
    Unselect1->setEnabled(enabled);
}

void TForm1::TreeView1MouseDown(const QPoint &position)
{
    if (QTreeWidgetItem *item = TreeView1->itemAt(position))
        TreeView1->setCurrentItem(item);
}

void TForm1::expandLevel(int level)
{
    if (m_session.isEmpty())
        return;
    TreeNode *top = nodeOf(TreeView1->itemAt(0, 0));
    TreeView1->setUpdatesEnabled(false);
    m_session.expandToLevel(level);
    m_syncingTree = true;
    TreeView1->collapseAll();
    TreeView1->expandToDepth(level - 1);
    m_syncingTree = false;
    // Keep the same node at the top; a node now hidden gives way to its nearest shown ancestor.
    for (TreeNode *n = top; n; n = n->parent()) {
        bool shown = true;
        for (TreeNode *a = n->parent(); a; a = a->parent())
            shown = shown && a->expanded;
        if (shown) {
            TreeView1->scrollToItem(m_items.value(n), QAbstractItemView::PositionAtTop);
            break;
        }
    }
    TreeView1->setUpdatesEnabled(true);
}

// --- edit menu -------------------------------------------------------------------------------

SyntaxMemo *TForm1::focusedEditor() const
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == SyntaxMemo1 || focus == ErrorsMemo)
        return static_cast<SyntaxMemo *>(focus);
    return nullptr;
}

void TForm1::updateEditActions()
{
    SyntaxMemo *editor = focusedEditor();
    const std::pair<QAction *, SyntaxMemo::Command> items[] = {
        {Undo1, SyntaxMemo::Undo}, {Cut1, SyntaxMemo::Cut}, {Copy1, SyntaxMemo::Copy}, {Paste1, SyntaxMemo::Paste}};
    for (const auto &[action, command] : items)
        action->setEnabled(editor && editor->canRun(command));
}
