#include "propsmanager.h"
#include "registrystore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString mainKey = QStringLiteral("Software\\Tarnwell\\Orvex");

// The controls the main settings reach, under the main window's names.
class SettingsWindow : public QWidget {
public:
    SettingsWindow()
    {
        setObjectName(QStringLiteral("Form1"));
        auto *splitter = new QSplitter(this);
        splitter->setObjectName(QStringLiteral("Splitter1"));
        auto *panel1 = new QWidget;
        panel1->setObjectName(QStringLiteral("Panel1"));
        panel1->setMinimumWidth(290);
        auto *panel4 = new QWidget;
        panel4->setObjectName(QStringLiteral("Panel4"));
        splitter->addWidget(panel1);
        splitter->addWidget(panel4);
        splitter->setChildrenCollapsible(false);
        (new QHBoxLayout(this))->addWidget(splitter);

        for (const char *name :
             {"Tessel3_CheckBox", "CommentsCheckBox", "HeaderCheckBox", "Verify_CheckBox"}) {
            auto *box = new QCheckBox(panel1);
            box->setObjectName(QLatin1String(name));
            box->setChecked(true);
        }
        comments = findChild<QCheckBox *>(QStringLiteral("CommentsCheckBox"));
        column = new QSpinBox(panel1);
        column->setObjectName(QStringLiteral("CommentColumn"));
        column->setRange(0, 80);
        column->setValue(30);
        mcu = new QComboBox(panel1);
        mcu->setObjectName(QStringLiteral("CPU_ComboBox"));
        mcu->setEditable(true);
        mcu->setEditText(QStringLiteral("Select an MCU"));
        connect(comments, &QCheckBox::toggled, column, &QWidget::setEnabled);
        connect(column, &QSpinBox::valueChanged, this, [this] { ++columnChanges; });
        resize(1052, 678);
    }
    int panelWidth() const { return findChild<QSplitter *>()->sizes().value(0); }

    QCheckBox *comments;
    QSpinBox *column;
    QComboBox *mcu;
    int columnChanges = 0;
};

class PropsManagerTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); }

    TPropsManager &manager(SettingsWindow &w, const QStringList &properties)
    {
        auto *m = new TPropsManager(&w);
        m->Template = &w;
        m->IniSection = mainKey;
        m->Properties = properties;
        return *m;
    }
    void store(const QString &name, const RegistryValue &value)
    {
        ASSERT_TRUE(
            RegistryStore().update([&](RegistryData &d) { d.setValue(mainKey, name, value); }));
    }
    const RegistryValue *stored(const RegistryData &data, const QString &name)
    {
        const RegistryData::Key *key = data.key(mainKey);
        return key ? RegistryData::value(*key, name) : nullptr;
    }

    QTemporaryDir config;
    const QStringList mainSettings = {
        QStringLiteral("Panel1.Width"),
        QStringLiteral("Splitter1.left"),
        QStringLiteral("Tessel3_CheckBox.Checked"),
        QStringLiteral("CommentsCheckBox.Checked"),
        QStringLiteral("CommentColumn.Value"),
        QStringLiteral("HeaderCheckBox.Checked"),
        QStringLiteral("Verify_CheckBox.Checked"),
        QStringLiteral("CPU_ComboBox.Text"),
    };
};

} // namespace

TEST(ValueEscaping, EscapesAndRestoresEveryCharacterClass)
{
    const struct {
        QString text;
        QString stored;
    } cases[] = {
        {QStringLiteral("Select an MCU"), QStringLiteral("Select an MCU")},
        {QStringLiteral("A#B"), QStringLiteral("A#23B")},
        {QStringLiteral("$"), QStringLiteral("#24")},
        {QStringLiteral("\t\r\n") + QChar(0) + QChar(0x1F), QStringLiteral("#09#0D#0A#00#1F")},
        {QString(QChar(0x03A9)) + QChar(0xFFFF), QStringLiteral("$03A9$FFFF")},
        {QString::fromUtf8("caf\xc3\xa9 \xc2\xa0~") + QChar(0x7F),
         QString::fromUtf8("caf\xc3\xa9 \xc2\xa0~") + QChar(0x7F)},
        // Text that looks like escapes must come back as written, not decoded twice.
        {QStringLiteral("#23$0024#2423"), QStringLiteral("#2323#240024#232423")},
        {QStringLiteral("PIC16F1827$"), QStringLiteral("PIC16F1827#24")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TPropsManager::escapeValue(c.text), c.stored) << c.text.toStdString();
        EXPECT_EQ(TPropsManager::unescapeValue(c.stored), c.text) << c.stored.toStdString();
    }
    // Escapes cut short or with other digits stay as they are; lower-case digits are read.
    for (const QString &stored : {QStringLiteral("#2"), QStringLiteral("x$03A"),
                                  QStringLiteral("#zz"), QStringLiteral("$12G4")})
        EXPECT_EQ(TPropsManager::unescapeValue(stored), stored);
    EXPECT_EQ(TPropsManager::unescapeValue(u"$03a9#2a"), QString(QChar(0x03A9)) + QLatin1Char('*'));
}

TEST_F(PropsManagerTest, SavedSettingsComeBackInANewWindow)
{
    const QString mcuText = QStringLiteral("16F#$\t") + QChar(0x03A9);
    int width = 0;
    {
        SettingsWindow w;
        w.show();
        w.findChild<QSplitter *>()->setSizes({400, 600});
        width = w.panelWidth();
        ASSERT_GT(width, 300);
        w.comments->setChecked(false);
        w.findChild<QCheckBox *>(QStringLiteral("Verify_CheckBox"))->setChecked(false);
        w.column->setValue(44);
        w.mcu->setEditText(mcuText);
        manager(w, mainSettings).SaveProps();
    }
    const RegistryData data = RegistryStore().load();
    EXPECT_EQ(stored(data, QStringLiteral("Panel1.Width"))->text, QString::number(width));
    EXPECT_EQ(stored(data, QStringLiteral("Splitter1.left"))->text, QString::number(width));
    EXPECT_EQ(stored(data, QStringLiteral("CommentsCheckBox.Checked"))->text,
              QStringLiteral("False"));
    EXPECT_EQ(stored(data, QStringLiteral("CPU_ComboBox.Text"))->text,
              QStringLiteral("16F#23#24#09$03A9"));
    EXPECT_EQ(data.key(mainKey)->values.size(), mainSettings.size());
    EXPECT_EQ(data.key(mainKey)->values[1].name, QStringLiteral("Splitter1.left"))
        << "named as listed";

    SettingsWindow w;
    w.show();
    manager(w, mainSettings).LoadProps();
    EXPECT_EQ(w.panelWidth(), width);
    EXPECT_FALSE(w.comments->isChecked());
    EXPECT_FALSE(w.column->isEnabled()) << "restoring a check box runs its handler";
    EXPECT_FALSE(w.findChild<QCheckBox *>(QStringLiteral("Verify_CheckBox"))->isChecked());
    EXPECT_TRUE(w.findChild<QCheckBox *>(QStringLiteral("HeaderCheckBox"))->isChecked());
    EXPECT_EQ(w.column->value(), 44);
    EXPECT_EQ(w.columnChanges, 1);
    EXPECT_EQ(w.mcu->currentText(), mcuText);
}

TEST_F(PropsManagerTest, FirstLoadCreatesTheEmptyKeyAndKeepsDefaults)
{
    SettingsWindow w;
    w.show();
    const int width = w.panelWidth();
    manager(w, mainSettings).LoadProps();
    const RegistryData data = RegistryStore().load();
    ASSERT_NE(data.key(mainKey), nullptr);
    EXPECT_TRUE(data.key(mainKey)->values.isEmpty());
    EXPECT_EQ(w.panelWidth(), width);
    EXPECT_EQ(w.column->value(), 30);
    EXPECT_EQ(w.columnChanges, 0);
    EXPECT_EQ(w.mcu->currentText(), QStringLiteral("Select an MCU"));
}

// Each stored value that cannot be used is passed over; the entries after it still load.
TEST_F(PropsManagerTest, UnusableValuesAreSkippedOneByOne)
{
    const struct {
        const char *name;
        RegistryValue value;
    } bad[] = {
        {"Panel1.Width", RegistryValue::fromString(QStringLiteral("abc"))},
        {"Splitter1.left", RegistryValue::fromDword(500)},
        {"Tessel3_CheckBox.Checked", RegistryValue::fromString(QStringLiteral("Yes"))},
        {"HeaderCheckBox.Checked", RegistryValue::fromString(QString())},
        {"CommentColumn.Value", RegistryValue::fromString(QStringLiteral("99999999999"))},
    };
    for (const auto &b : bad)
        store(QLatin1String(b.name), b.value);
    store(QStringLiteral("Verify_CheckBox.Checked"),
          RegistryValue::fromString(QStringLiteral("false")));
    store(QStringLiteral("CPU_ComboBox.Text"),
          RegistryValue::fromString(QStringLiteral("18F4550")));

    SettingsWindow w;
    w.show();
    const int width = w.panelWidth();
    QStringList properties = mainSettings;
    properties.insert(1, QStringLiteral("NoSuchPanel.Width"));
    properties.insert(2, QStringLiteral("Panel1.NoSuchProperty"));
    properties.insert(3, QString());
    manager(w, properties).LoadProps();

    EXPECT_EQ(w.panelWidth(), width);
    EXPECT_TRUE(w.findChild<QCheckBox *>(QStringLiteral("Tessel3_CheckBox"))->isChecked());
    EXPECT_TRUE(w.findChild<QCheckBox *>(QStringLiteral("HeaderCheckBox"))->isChecked());
    EXPECT_EQ(w.column->value(), 30);
    EXPECT_FALSE(w.findChild<QCheckBox *>(QStringLiteral("Verify_CheckBox"))->isChecked());
    EXPECT_EQ(w.mcu->currentText(), QStringLiteral("18F4550"));
}

TEST_F(PropsManagerTest, RestoredValuesObeyTheControlsLimits)
{
    store(QStringLiteral("CommentColumn.Value"), RegistryValue::fromString(QStringLiteral("200")));
    store(QStringLiteral("Panel1.Width"), RegistryValue::fromString(QStringLiteral("100")));
    SettingsWindow w;
    w.show();
    manager(w, mainSettings).LoadProps();
    EXPECT_EQ(w.column->value(), 80);
    EXPECT_EQ(w.columnChanges, 1);
    EXPECT_EQ(w.panelWidth(), 290);
}

TEST_F(PropsManagerTest, NamesMatchWithoutCase)
{
    store(QStringLiteral("commentcolumn.VALUE"), RegistryValue::fromString(QStringLiteral("12")));
    SettingsWindow w;
    manager(w, {QStringLiteral("commentcolumn.VALUE")}).LoadProps();
    EXPECT_EQ(w.column->value(), 12);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
