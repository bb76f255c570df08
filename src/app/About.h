#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableWidget;

// The About box: fixed product text and the string fields of the program's own version
// section, read once when the box is created.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // programFile is the file whose version fields are listed: the running program's own.
    explicit TAboutBox(QWidget *parent = nullptr,
                       const QString &programFile = QCoreApplication::applicationFilePath());

    // The list's lines ("Key = Value", or empty), one per row.
    QStringList versionRows() const { return m_rows; }

    QPushButton *OKButton;
    QTableWidget *ValueListEditor1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate(const QString &programFile);
    void setRow(int row, const QString &line);

    QStringList m_rows;
};
