#pragma once

#include <QDialog>

class QSpinBox;

// Asks for a line number between 1 and the number of lines.
class GoToLineDialog : public QDialog {
    Q_OBJECT
public:
    GoToLineDialog(int current, int lineCount, QWidget *parent = nullptr);
    int lineNumber() const;

private:
    QSpinBox *m_line;
};
