#include "incrementalsearchbar.h"

#include "syntaxmemo.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

IncrementalSearchBar::IncrementalSearchBar(SyntaxMemo *editor)
    : QFrame(editor), m_editor(editor), m_field(new QLineEdit)
{
    setObjectName(QStringLiteral("IncrementalSearch"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    m_field->setObjectName(QStringLiteral("IncrementalSearchText"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("Search:")));
    layout->addWidget(m_field);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this] { search(true, false); });
    hide();
}

void IncrementalSearchBar::start()
{
    m_anchor = m_editor->textCursor().selectionStart();
    m_field->clear();
    m_field->setStyleSheet(QString());
    place();
    show();
    raise();
    m_field->setFocus();
}

void IncrementalSearchBar::place()
{
    const QRect area = m_editor->viewport()->geometry();
    const int w = std::min(area.width(), 260);
    const int h = sizeHint().height();
    setGeometry(area.right() - w + 1, area.bottom() - h + 1, w, h);
}

void IncrementalSearchBar::search(bool fromAnchor, bool backwards)
{
    const QString text = m_field->text();
    if (text.isEmpty()) {
        m_field->setStyleSheet(QString());
        return;
    }
    if (fromAnchor) {
        QTextCursor c = m_editor->textCursor();
        c.setPosition(m_anchor);
        m_editor->setTextCursor(c);
    }
    SearchRequest request;
    request.text = text;
    request.backwards = backwards;
    const bool found = m_editor->find(request);
    // A pale red field says "no match" without taking the focus away from the typing.
    m_field->setStyleSheet(found ? QString() : QStringLiteral("QLineEdit { background: #f4c7c3; }"));
}

void IncrementalSearchBar::finish()
{
    hide();
    m_editor->setFocus();
}

bool IncrementalSearchBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        if (key->key() == Qt::Key_Escape) {
            finish();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Down ||
            pressed == QKeySequence(Qt::Key_F3) || pressed == QKeySequence(Qt::CTRL | Qt::Key_E)) {
            search(false, false);
            return true;
        }
        if (key->key() == Qt::Key_Up) {
            search(false, true);
            return true;
        }
    } else if (watched == m_field && event->type() == QEvent::FocusOut) {
        hide();
    }
    return QFrame::eventFilter(watched, event);
}
