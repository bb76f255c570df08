#include "replacedialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReplaceDialog::ReplaceDialog(const SearchRequest &initial, QWidget *parent)
    : QDialog(parent), m_text(new QLineEdit(initial.text)),
      m_replacement(new QLineEdit(initial.replacement)),
      m_caseSensitive(new QCheckBox(QStringLiteral("&Case sensitive"))),
      m_wholeWords(new QCheckBox(QStringLiteral("&Whole words only")))
{
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(QStringLiteral("Replace Text"));
    m_text->setObjectName(QStringLiteral("SearchText"));
    m_replacement->setObjectName(QStringLiteral("ReplaceText"));
    m_caseSensitive->setChecked(initial.caseSensitive);
    m_wholeWords->setChecked(initial.wholeWords);

    auto *findNext = new QPushButton(QStringLiteral("Find &Next"));
    auto *replace = new QPushButton(QStringLiteral("&Replace"));
    auto *replaceAll = new QPushButton(QStringLiteral("Replace &All"));
    auto *close = new QPushButton(QStringLiteral("Close"));
    findNext->setObjectName(QStringLiteral("FindNextButton"));
    replace->setObjectName(QStringLiteral("ReplaceButton"));
    replaceAll->setObjectName(QStringLiteral("ReplaceAllButton"));
    findNext->setDefault(true);
    connect(findNext, &QPushButton::clicked, this, [this] { emit findNextRequested(request()); });
    connect(replace, &QPushButton::clicked, this, [this] { emit replaceRequested(request()); });
    connect(replaceAll, &QPushButton::clicked, this, [this] { emit replaceAllRequested(request()); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    const auto updateButtons = [=, this] {
        const bool hasText = !m_text->text().isEmpty();
        findNext->setEnabled(hasText);
        replace->setEnabled(hasText);
        replaceAll->setEnabled(hasText);
    };
    connect(m_text, &QLineEdit::textChanged, this, updateButtons);
    updateButtons();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Search for:"), m_text);
    form->addRow(QStringLiteral("Replace &with:"), m_replacement);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(findNext);
    buttons->addWidget(replace);
    buttons->addWidget(replaceAll);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_caseSensitive);
    layout->addWidget(m_wholeWords);
    layout->addLayout(buttons);
}

SearchRequest ReplaceDialog::request() const
{
    SearchRequest r;
    r.text = m_text->text();
    r.replacement = m_replacement->text();
    r.caseSensitive = m_caseSensitive->isChecked();
    r.wholeWords = m_wholeWords->isChecked();
    return r;
}
