#pragma once

#include <QFrame>

class QLineEdit;
class SyntaxMemo;

// A small search field at the bottom of the editor that moves the selection to the first match
// as the user types. Enter, F3 or Ctrl+E go to the next match, Up to the previous one; Esc or
// leaving the field closes it.
class IncrementalSearchBar : public QFrame {
    Q_OBJECT
public:
    explicit IncrementalSearchBar(SyntaxMemo *editor);

    void start();
    void place();
    QLineEdit *field() const { return m_field; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search(bool fromAnchor, bool backwards);
    void finish();

    SyntaxMemo *m_editor;
    QLineEdit *m_field;
    int m_anchor = 0;
};
