#pragma once

#include "setup/ListEditDialog.h"

#include "store/Fingerprint.h"

#include <QHash>
#include <QStringList>
#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace controls {
class ReportList;
}
namespace store {
class ClassModule;
class ReportTables;
struct Parameter;
}

namespace setup {

// The parameters of one shape and type: rename, remove, store and copy them
// to another shape; on the second tab, the report fields of the shape, from
// which new parameters are taken.
class FrmPara : public ListEditDialog {
    Q_OBJECT

public:
    // mainShapes: the main window's shape combo, whose entries line up with
    // the module's ShapeCodes. Both are copied once, so the code the field
    // browser uses always belongs to the shape shown. reports: the report
    // catalogue to read (the module's report connection when null).
    FrmPara(store::ClassModule &module, const QComboBox *mainShapes, QWidget *parent = nullptr,
            const store::ReportTables *reports = nullptr);
    ~FrmPara() override;

    void Form_Load();
    void BtnView_Click();
    void BtnPlus_Click() override;
    void BtnSave_Click();
    void BtnTrans_Click();

    // The report field browser (FrmParaFields.cpp).
    void refreshFields();
    void BtnApply_Click();

    QLabel *Label1;
    QComboBox *cShape;
    QComboBox *pCut;
    QPushButton *BtnView;
    QTabWidget *SSTab1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    controls::ReportList *List2;
    QPushButton *BtnApply;
    QComboBox *pmShapes;
    QPushButton *BtnTrans;
    QPushButton *BtnSave;

protected:
    QString savingQuestion() const override;
    // Stores the list under the shape and type it was shown or saved for.
    bool saveChanges() override;

private:
    void buildControls();
    QVector<store::Parameter> listed() const;
    // Stores the list on screen under the shape and type.
    bool storeList(const QString &type, const QString &shape);
    // Selects the shape and type and shows their list.
    void showList(const QString &type, const QString &shape);
    // When another workstation changed a list other than the one on screen:
    // what it holds now, told without touching the list on screen.
    void tellStored(const QString &type, const QString &shape);
    void clearBoxes();

    store::ClassModule &m_module;
    QStringList m_shapes;
    QStringList m_codes; // entry k: code of m_shapes[k]
    // The stored parameters of every shape of both types as of the last
    // Show: a save or a transfer compares the list it replaces.
    QHash<QString, store::Fingerprint> m_seen;
    // Whose stored list the list on screen was loaded as, or saved as last.
    QString m_shownType;
    QString m_shownShape;
    std::unique_ptr<const store::ReportTables> m_ownReports;
    const store::ReportTables *m_reports;
};

} // namespace setup
