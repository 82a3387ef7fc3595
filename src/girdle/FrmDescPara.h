#pragma once

#include "girdle/GirdleWindow.h"

#include <optional>

class QAction;
class QLineEdit;
class QMenu;

namespace controls {
class CellEditor;
class GridEdits;
}

namespace girdle {

// The girdle descriptions of one lab and shape: three pairs of limits and a
// free text per row, edited in a grid and stored as a whole.
class FrmDescPara : public GirdleWindow {
    Q_OBJECT

public:
    explicit FrmDescPara(store::ClassModule &module, QWidget *parent = nullptr);

    void Form_Load();
    void LabList_Click() override;
    void GetDescParameters();
    void BtnAdd_Click();
    void BtnList_Click();
    void BtnSave_Click();
    void Grades_Click();

    controls::CellEditor *editor() const { return m_editor; }

    QAction *Grades;
    QMenu *MnuEdit; // Undo and Redo
    controls::FlexGrid *msg;
    controls::GraphicalButton *BtnAdd, *BtnList, *BtnSave;
    QLineEdit *Txt;

    static constexpr int kDescriptionCol = 8;

private:
    // The rows to store, or nothing after telling the user which limit is
    // not a number.
    std::optional<QVector<store::GirdleDescription>> rowsToSave() const;
    // A row by its description, or by its number when that is empty.
    QString rowName(int row) const;

    controls::GridEdits *m_cells;
    controls::CellEditor *m_editor;
    store::Fingerprint m_seen; // the descriptions as loaded or saved last
};

} // namespace girdle
