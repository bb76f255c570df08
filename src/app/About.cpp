#include "About.h"

#include "versioninfo.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

namespace {

constexpr int rowCount = 11;

// Queried in this order; row n belongs to key n. The resource's own spelling may differ in case.
const char *const versionKeys[] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks", "OriginalFileName", "ProductName", "ProductVersion", "Comments",
};

const QString supportForum = QStringLiteral("https://forum.tarnwell.example/orvex");

QLabel *label(QWidget *parent, const QString &text, int x, int y)
{
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent, const QString &programFile) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(539, 232);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, 225, 193);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);

    QLabel *product = label(panel, QStringLiteral("Orvex"), 71, 16);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    product->setFont(bold);
    product->adjustSize();
    label(panel, QStringLiteral("Configuration Generator for Tessel"), 16, 38);
    label(panel, QStringLiteral("Author"), 16, 80);
    label(panel, QStringLiteral("Tarnwell"), 80, 80);
    label(panel, QStringLiteral("Comments"), 16, 128);
    auto *note = new QLabel(
        QStringLiteral("Beta Version - If you encounter problems, please report them to ") +
            supportForum,
        panel);
    note->setObjectName(QStringLiteral("Comments"));
    note->setGeometry(32, 143, 172, 42);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(79, 204, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    ValueListEditor1 = new QTableWidget(rowCount, 2, this);
    ValueListEditor1->setObjectName(QStringLiteral("ValueListEditor1"));
    ValueListEditor1->setGeometry(240, 8, 289, 217);
    ValueListEditor1->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
    ValueListEditor1->verticalHeader()->hide();
    ValueListEditor1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ValueListEditor1->verticalHeader()->setDefaultSectionSize(16);
    ValueListEditor1->setColumnWidth(0, 111);
    ValueListEditor1->setColumnWidth(1, 172);
    ValueListEditor1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows = QStringList(rowCount, QString());
    for (int row = 0; row < rowCount; ++row)
        setRow(row, QString());

    FormCreate(programFile);
}

void TAboutBox::FormCreate(const QString &programFile)
{
    const auto info = VersionInfo::fromFile(programFile);
    if (!info) {
        setRow(0, QStringLiteral("No version information found"));
        return;
    }
    for (int n = 0; n < int(std::size(versionKeys)); ++n) {
        const QString key = QLatin1String(versionKeys[n]);
        if (const auto value = info->stringValue(QStringLiteral("040904E4"), key))
            setRow(n, key + QStringLiteral(" = ") + *value);
    }
}

void TAboutBox::setRow(int row, const QString &line)
{
    m_rows[row] = line;
    // The grid shows the text before the first "=" as the key and the rest as the value.
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    ValueListEditor1->setItem(row, 0, new QTableWidgetItem(eq < 0 ? line : line.first(eq)));
    ValueListEditor1->setItem(row, 1,
                              new QTableWidgetItem(eq < 0 ? QString() : line.sliced(eq + 1)));
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}
