#pragma once

#include "searchrequest.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// Find-and-replace: stays open while the user steps through the matches.
class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReplaceDialog(const SearchRequest &initial, QWidget *parent = nullptr);
    SearchRequest request() const;

signals:
    void findNextRequested(const SearchRequest &request);
    void replaceRequested(const SearchRequest &request);
    void replaceAllRequested(const SearchRequest &request);

private:
    QLineEdit *m_text;
    QLineEdit *m_replacement;
    QCheckBox *m_caseSensitive;
    QCheckBox *m_wholeWords;
};
