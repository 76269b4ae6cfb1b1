#pragma once

#include "shell/LazyList.h"

#include <QDialog>
#include <QHash>
#include <QRectF>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace resources {

// "Delete Resources": removes lookup entries and actors that no movie uses any more. One pick per
// list, one button; entries still in use are named with the movies that hold them.
class frmRemoveResource : public QDialog
{
    Q_OBJECT
public:
    explicit frmRemoveResource(QWidget* parent = nullptr);

    // Fills the eleven lists; run once by the constructor.
    void Form_Load();
    void cmdDelete_Click();
    void cmdOK_Click();

    // Deletes the entry named by the picked value of the kind set in the fields below.
    void DeleteRecord();

    // 1 once something was deleted; 0 again when the picked actor was refused.
    int DeletionFlag() const { return m_deleted; }
    QRectF TwipGeometry(const QWidget* control) const { return m_twips.value(control); }

private:
    QComboBox* addList(const QString& name, const QString& caption, int column, int row);
    void place(QWidget* control, double left, double top, double width, double height);
    void fill(QComboBox* list, const shell::LazyList::Sql& sql);
    void deleteActor(const QString& name);
    static void emptyText(QComboBox* list);

    QFrame* m_frame1;
    QLabel* m_label12;
    QComboBox* m_cboDirector;
    QComboBox* m_cboProducer;
    QComboBox* m_cboExecutiveProducer;
    QComboBox* m_cboScreenWriter;
    QComboBox* m_cboWriter;
    QComboBox* m_cboComposer;
    QComboBox* m_cboCinematographer;
    QComboBox* m_cboGenre;
    QComboBox* m_cboStudio;
    QComboBox* m_cboFormat;
    QComboBox* m_cboActor;
    QPushButton* m_cmdDelete;
    QPushButton* m_cmdOK;
    QHash<const QWidget*, QRectF> m_twips;

    // The kind being deleted, as the delete action hands it to DeleteRecord.
    QString m_value;
    QString m_table;
    QString m_nameColumn;
    QString m_idColumn;
    qint64 m_id = 0;
    int m_deleted = 0;
};

} // namespace resources
