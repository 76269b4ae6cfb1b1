#pragma once

#include "exchange/Exchange.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace exchange {

// "&Import...": asks for a file, has a CSV file's columns mapped, shows what the import would do
// and, once confirmed, writes it with a progress window. Returns true when the catalogue changed.
bool ImportInteractive(QWidget* owner);

// "E&xport...": asks for a file name and writes every movie to it.
void ExportInteractive(QWidget* owner);

// The mapping window: the first rows of a CSV file and, for each column, the field it fills.
class frmImportMap : public QDialog
{
    Q_OBJECT
public:
    frmImportMap(const CsvTable& table, QWidget* owner = nullptr);
    std::vector<int> Mapping() const;
    // The table as the user sees it now: with or without its first row taken as the header.
    CsvTable Table() const;

private:
    void fill();
    void check();

    CsvTable m_table; // as read, header row included in rows when there is one
    int m_columns = 0;
    std::vector<int> m_shown; // the columns the window shows, each with its field box
    QCheckBox* chkHeader = nullptr;
    QTableWidget* grdPreview = nullptr;
    std::vector<QComboBox*> m_fields;
    QLabel* lblHidden = nullptr;
    QLabel* lblHint = nullptr;
    QPushButton* cmdOK = nullptr;
};

// The preview: counts, unreadable rows, the overwrite choice; Import or Cancel.
class frmImportPreview : public QDialog
{
    Q_OBJECT
public:
    frmImportPreview(const Plan& plan, QWidget* owner = nullptr);
    bool Overwrite() const;

private:
    QCheckBox* chkOverwrite = nullptr;
};

} // namespace exchange
