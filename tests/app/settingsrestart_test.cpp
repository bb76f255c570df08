#include "Unit1.h"
#include "mcucombobox.h"
#include "registrystore.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QSpinBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

void PrintTo(const QRect &r, std::ostream *os)
{
    *os << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}

namespace {

const QString mainKey = QStringLiteral("Software\\Tarnwell\\Orvex");
const QString windowKey = QStringLiteral("Software\\Tarnwell\\Orvex\\Window");

// Starts and closes the real main window the way main() and the user do.
class Restart : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        data.writeCatalogue("PIC16F84\r\nPIC18F4550\r\n");
        previous = QDir::currentPath();
        QDir::setCurrent(data.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }

    std::unique_ptr<TForm1> start()
    {
        auto form = std::make_unique<TForm1>();
        form->FormCreate();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }
    void close(std::unique_ptr<TForm1> form)
    {
        form->close();
        form.reset();
    }
    QString stored(const QString &key, const QString &name)
    {
        const RegistryData d = RegistryStore().load();
        const RegistryData::Key *k = d.key(key);
        const RegistryValue *v = k ? RegistryData::value(*k, name) : nullptr;
        return v ? v->text : QStringLiteral("<none>");
    }

    QTemporaryDir config;
    TestSupport::DataDir data;
    QString previous;
};

} // namespace

TEST_F(Restart, FirstStartCreatesEmptyKeysAndKeepsDefaults)
{
    auto form = start();
    const RegistryData d = RegistryStore().load();
    ASSERT_NE(d.key(mainKey), nullptr);
    ASSERT_NE(d.key(windowKey), nullptr);
    EXPECT_TRUE(d.key(mainKey)->values.isEmpty());
    EXPECT_TRUE(d.key(windowKey)->values.isEmpty());
    EXPECT_EQ(form->Splitter1->sizes().value(0), 290);
    EXPECT_EQ(form->CommentColumn->value(), 30);
    EXPECT_TRUE(form->CommentsCheckBox->isChecked());
}

TEST_F(Restart, ChangedOptionsComeBack)
{
    const QString mcu = QStringLiteral("18F#$") + QChar(0x03A9);
    QRect bounds;
    {
        auto form = start();
        form->Splitter1->setSizes({420, 600});
        form->Tessel3_CheckBox->setChecked(false);
        form->CommentsCheckBox->setChecked(false);
        form->HeaderCheckBox->setChecked(false);
        form->CommentColumn->setValue(52);
        form->CPU_ComboBox->setEditText(mcu);
        form->move(40, 50);
        form->resize(900, 600);
        bounds = form->frameGeometry(); // stored with the frame
        close(std::move(form));
    }
    EXPECT_EQ(stored(mainKey, QStringLiteral("CPU_ComboBox.Text")),
              QStringLiteral("18F#23#24$03A9"));
    EXPECT_EQ(stored(mainKey, QStringLiteral("WindowState")), QStringLiteral("wsNormal"));
    EXPECT_EQ(stored(windowKey, QStringLiteral("width")), QString::number(bounds.width()));
    EXPECT_EQ(stored(windowKey, QStringLiteral("top")), QString::number(bounds.y()));

    auto form = start();
    EXPECT_EQ(form->Splitter1->sizes().value(0), 420);
    EXPECT_FALSE(form->Tessel3_CheckBox->isChecked());
    EXPECT_FALSE(form->CommentsCheckBox->isChecked());
    EXPECT_FALSE(form->CommentColumn->isEnabled()) << "the restored check box ran its handler";
    EXPECT_FALSE(form->HeaderCheckBox->isChecked());
    EXPECT_TRUE(form->Verify_CheckBox->isChecked());
    EXPECT_EQ(form->CommentColumn->value(), 52);
    EXPECT_EQ(form->CPU_ComboBox->currentText(), mcu);
    EXPECT_EQ(form->frameGeometry(), bounds);
    EXPECT_TRUE(form->session().tree().isEmpty()) << "restoring the MCU box loads nothing";
}

TEST_F(Restart, ClosedMaximisedOpensMaximisedOverTheLastNormalBounds)
{
    QRect bounds;
    {
        auto form = start();
        form->setGeometry(60, 70, 800, 500);
        bounds = form->frameGeometry();
        close(std::move(form));
    }
    {
        auto form = start();
        form->showMaximized();
        QTest::qWait(20);
        close(std::move(form));
    }
    EXPECT_EQ(stored(mainKey, QStringLiteral("WindowState")), QStringLiteral("wsMaximized"));
    EXPECT_EQ(stored(windowKey, QStringLiteral("width")), QString::number(bounds.width()));

    auto form = start();
    EXPECT_TRUE(form->isMaximized());
    form->showNormal();
    QTest::qWait(20);
    EXPECT_EQ(form->frameGeometry(), bounds);
}

TEST_F(Restart, ClosedMinimisedOpensNormalAtItsNormalBounds)
{
    for (const bool fromMaximised : {false, true}) {
        SCOPED_TRACE(fromMaximised ? "minimised from maximised" : "minimised");
        QRect bounds;
        {
            auto form = start();
            form->setGeometry(30 + fromMaximised, 40, 700, 450);
            bounds = form->frameGeometry();
            if (fromMaximised)
                form->showMaximized();
            form->showMinimized();
            QTest::qWait(20);
            close(std::move(form));
        }
        EXPECT_EQ(stored(mainKey, QStringLiteral("WindowState")), QStringLiteral("wsNormal"));
        auto form = start();
        EXPECT_FALSE(form->isMinimized());
        EXPECT_FALSE(form->isMaximized());
        EXPECT_EQ(form->frameGeometry(), bounds);
        close(std::move(form));
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
