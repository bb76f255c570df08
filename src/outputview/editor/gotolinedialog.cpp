#include "gotolinedialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

GoToLineDialog::GoToLineDialog(int current, int lineCount, QWidget *parent)
    : QDialog(parent), m_line(new QSpinBox)
{
    setObjectName(QStringLiteral("GoToLineDialog"));
    setWindowTitle(QStringLiteral("Go to Line Number"));
    m_line->setObjectName(QStringLiteral("LineNumber"));
    m_line->setRange(1, std::max(1, lineCount));
    m_line->setValue(current);
    m_line->selectAll();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("&Line number (1 - %1):").arg(std::max(1, lineCount)), m_line);
    layout->addRow(buttons);
}

int GoToLineDialog::lineNumber() const
{
    return m_line->value();
}
