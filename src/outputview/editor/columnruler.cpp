#include "columnruler.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

ColumnRuler::ColumnRuler(QPlainTextEdit *editor) : QWidget(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("ColumnRuler"));
    setAutoFillBackground(true);
}

int ColumnRuler::preferredHeight() const
{
    return QFontMetrics(font()).height() + 6;
}

void ColumnRuler::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(0, height() - 1, width(), height() - 1);

    const qreal charWidth = QFontMetricsF(m_editor->font()).horizontalAdvance(QLatin1Char('0'));
    if (charWidth <= 0)
        return;
    const qreal left = m_editor->document()->documentMargin() - m_editor->horizontalScrollBar()->value();
    const int caretColumn = m_editor->textCursor().positionInBlock();

    const QFontMetrics fm(font());
    const int firstColumn = std::max(0, static_cast<int>(-left / charWidth));
    for (int column = firstColumn;; ++column) {
        const qreal x = left + column * charWidth;
        if (x > width())
            break;
        const int number = column + 1; // columns are numbered from 1, as the comment column is
        if (column == caretColumn)
            p.fillRect(QRectF(x, 0, charWidth, height() - 1), pal.color(QPalette::Midlight));
        p.setPen(pal.color(QPalette::ButtonText));
        const int bottom = height() - 2;
        if (number % 10 == 0) {
            const QString label = QString::number(number);
            const qreal center = x + charWidth / 2;
            p.drawText(QPointF(center - fm.horizontalAdvance(label) / 2.0, fm.ascent() + 1), label);
            p.drawLine(QPointF(center, bottom - 3), QPointF(center, bottom));
        } else if (number % 5 == 0) {
            p.drawLine(QPointF(x + charWidth / 2, bottom - 3), QPointF(x + charWidth / 2, bottom));
        } else {
            p.drawLine(QPointF(x + charWidth / 2, bottom - 1), QPointF(x + charWidth / 2, bottom));
        }
    }
}
