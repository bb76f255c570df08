#pragma once

#include "searchrequest.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

// Asks for the text to find and how to search for it.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(const SearchRequest &initial, QWidget *parent = nullptr);
    SearchRequest request() const;

private:
    QLineEdit *m_text;
    QCheckBox *m_caseSensitive;
    QCheckBox *m_wholeWords;
    QRadioButton *m_backwards;
};
