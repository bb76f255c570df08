#pragma once

#include <QWidget>

class QPlainTextEdit;

// The strip above the editor text that numbers the character columns; it follows horizontal
// scrolling and marks the caret's column.
class ColumnRuler : public QWidget {
    Q_OBJECT
public:
    explicit ColumnRuler(QPlainTextEdit *editor);

    int preferredHeight() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPlainTextEdit *m_editor;
};
