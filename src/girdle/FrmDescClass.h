#pragma once

#include "girdle/GirdleWindow.h"

#include <QStringList>
#include <QVector>
#include <array>

class QAction;
class QMenu;

namespace controls {
class GridEdits;
}

namespace girdle {

// For every cut class of a lab and shape, and one girdle part, the range of
// two descriptions the class admits. The cells are edited through a
// drop-down list of the stored descriptions laid over them.
class FrmDescClass : public GirdleWindow {
    Q_OBJECT

public:
    explicit FrmDescClass(store::ClassModule &module, QWidget *parent = nullptr);

    void Form_Load();
    void LabList_Click() override;
    void class_Click();
    void GetDescriptions();
    void GetDescGrades();
    // The ID of the first description with exactly this text; empty for an
    // empty or unknown text.
    QString GetDescID(const QString &description) const;
    void BtnSave_Click();
    void cpy_Click();
    void Pst_Click();
    void tFlexFocus();
    void Grade_KeyPress(int key);

    QLabel *Label2;
    QComboBox *class_; // the girdle part
    controls::FlexGrid *msg;
    QComboBox *Grade;  // the cell editor
    controls::GraphicalButton *BtnSave;
    QMenu *op;
    QAction *cpy, *Pst;

    // Entry k: ID and text of the k-th description in ID order.
    QStringList DescIDs, DescNames;
    QVector<std::array<QString, 2>> CopyBuffer;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    store::Fingerprint m_seen; // the part's grades as loaded or saved last
    controls::GridEdits *m_cells;
    void onLeaveCell();
    void placeGrade();
    // The description chosen in Grade and not yet in its cell, as a step.
    QString pendingStep() const;
    void writeChoice();
};

} // namespace girdle
