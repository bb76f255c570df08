#pragma once

#include <QWidget>

class SyntaxPainter;

// The strip left of the text with a fold marker on the first line of every foldable range.
class FoldGutter : public QWidget {
    Q_OBJECT
public:
    FoldGutter(SyntaxPainter *painter, QWidget *parent);
    static constexpr int Width = 13;
    QSize sizeHint() const override { return {Width, 0}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    SyntaxPainter *m_painter;
};
