#include "foldgutter.h"

#include "syntaxpainter.h"

#include <QMouseEvent>
#include <QPainter>

FoldGutter::FoldGutter(SyntaxPainter *painter, QWidget *parent) : QWidget(parent), m_painter(painter)
{
    setObjectName(QStringLiteral("FoldGutter"));
    setCursor(Qt::ArrowCursor);
    connect(painter, &SyntaxPainter::foldsChanged, this, qOverload<>(&QWidget::update));
}

void FoldGutter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Midlight));
    p.drawLine(width() - 1, 0, width() - 1, height());
    m_painter->paintGutter(p, width() - 1);
}

void FoldGutter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const int line = m_painter->lineAt(int(event->position().y()));
    if (line >= 0)
        m_painter->toggleFold(line);
}
