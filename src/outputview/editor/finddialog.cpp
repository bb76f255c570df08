#include "finddialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FindDialog::FindDialog(const SearchRequest &initial, QWidget *parent)
    : QDialog(parent), m_text(new QLineEdit(initial.text)),
      m_caseSensitive(new QCheckBox(QStringLiteral("&Case sensitive"))),
      m_wholeWords(new QCheckBox(QStringLiteral("&Whole words only"))),
      m_backwards(new QRadioButton(QStringLiteral("&Backward")))
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find Text"));
    m_text->setObjectName(QStringLiteral("SearchText"));
    m_text->selectAll();
    m_caseSensitive->setChecked(initial.caseSensitive);
    m_wholeWords->setChecked(initial.wholeWords);

    auto *forward = new QRadioButton(QStringLiteral("&Forward"));
    forward->setChecked(!initial.backwards);
    m_backwards->setChecked(initial.backwards);
    auto *direction = new QGroupBox(QStringLiteral("Direction"));
    auto *directionLayout = new QVBoxLayout(direction);
    directionLayout->addWidget(forward);
    directionLayout->addWidget(m_backwards);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Find"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto updateOk = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_text->text().isEmpty());
    };
    connect(m_text, &QLineEdit::textChanged, this, updateOk);
    updateOk();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Search for:"), m_text);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_caseSensitive);
    layout->addWidget(m_wholeWords);
    layout->addWidget(direction);
    layout->addWidget(buttons);
}

SearchRequest FindDialog::request() const
{
    SearchRequest r;
    r.text = m_text->text();
    r.caseSensitive = m_caseSensitive->isChecked();
    r.wholeWords = m_wholeWords->isChecked();
    r.backwards = m_backwards->isChecked();
    return r;
}
