#include "setup/FrmMultiData.h"

#include "controls/ReportList.h"
#include "definer/Guard.h"
#include "definer/ShapeList.h"
#include "setup/SetupWidgets.h"
#include "store/ClassModule.h"
#include "store/InstitutePairs.h"
#include "store/RuleStore.h"
#include "store/ShapeFile.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace setup {

FrmMultiData::FrmMultiData(store::ClassModule &module, QWidget *parent) : EditingDialog(parent), m_module(module)
{
    buildControls();
    Form_Load();
}

void FrmMultiData::buildControls()
{
    setUpWindow(this, QStringLiteral("Multi Institute"), 5415, 5055);

    Label1 = addLabel(this, "Label1", QStringLiteral("SHAPE"), 240, 240, 1500, 225);
    cShape = addCombo(this, "cShape", 1800, 180, 2055, 315);
    Label3 = addLabel(this, "Label3", QStringLiteral("CUT INSTITUTE"), 240, 660, 1500, 225);
    CutLab = addCombo(this, "CutLab", 1800, 600, 2055, 315);
    Label2 = addLabel(this, "Label2", QStringLiteral("SYM INSTITUTE"), 240, 1080, 1500, 225);
    SymLab = addCombo(this, "SymLab", 1800, 1020, 2055, 315);
    BtnAdd = addButton(this, "BtnAdd", QStringLiteral("Add"), 4080, 990, 1095, 375);
    LView = addList(this, "LView", 240, 1560, 4935, 2775);
    LView->setColumns({QStringLiteral("Cut Institute"), QStringLiteral("Sym Institute")}, {2400, 2400});
    BtnMinus = addButton(this, "BtnMinus", QStringLiteral("Delete"), 2760, 4440, 1095, 375);
    BtnSave = addButton(this, "BtnSave", QStringLiteral("Save"), 4080, 4440, 1095, 375);

    setup::setTabOrder({cShape, CutLab, SymLab, BtnAdd, LView, BtnMinus, BtnSave});

    connect(cShape, &QComboBox::activated, this, [this] { cShape_Click(); });
    connect(BtnAdd, &QPushButton::clicked, this, [this] { BtnAdd_Click(); });
    connect(BtnMinus, &QPushButton::clicked, this, [this] { BtnMinus_Click(); });
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSave_Click(); });
}

void FrmMultiData::Form_Load()
{
    // The file is read afresh for this window's own combo. The module's
    // ShapeCodes stay as they are: they belong to the main window's combo,
    // which the other windows pair them with by position.
    definer::guarded([this] { definer::fillShapeNames(cShape, m_module); });
    if (cShape->count() > 0) {
        cShape->setCurrentIndex(0);
        cShape_Click();
    }
}

void FrmMultiData::cShape_Click()
{
    const QString shape = cShape->currentText();
    definer::guarded([&] {
        const QSqlDatabase db = m_module.mainDb();
        const QStringList cutLabs = store::RuleStore(db, store::RuleTables::forType(QStringLiteral("Cut"))).labs(shape);
        const QStringList symLabs = store::RuleStore(db, store::RuleTables::forType(QStringLiteral("Sym"))).labs(shape);
        const QVector<store::InstitutePair> pairs = store::institutePairs(db, shape, &m_seen);
        CutLab->clear();
        CutLab->addItems(cutLabs);
        SymLab->clear();
        SymLab->addItems(symLabs);
        LView->clear();
        for (const store::InstitutePair &pair : pairs)
            LView->addItem(pair.cutLab, pair.symLab);
        markSaved(LView);
    });
}

void FrmMultiData::BtnAdd_Click()
{
    const QString cut = CutLab->currentText();
    const QString sym = SymLab->currentText();
    recordListChange(LView, [&] { LView->addItem(cut, sym); }, QStringLiteral("adding pair %1 / %2").arg(cut, sym));
}

void FrmMultiData::BtnMinus_Click()
{
    if (const int number = LView->selectedNumber())
        recordListChange(LView, [&] { LView->removeItem(number); },
                         QStringLiteral("removing pair %1 / %2").arg(LView->text(number), LView->subItem(number)));
}

void FrmMultiData::BtnSave_Click()
{
    saveChanges();
}

bool FrmMultiData::saveChanges()
{
    QVector<store::InstitutePair> pairs;
    for (int i = 1; i <= LView->count(); ++i)
        pairs.append({LView->text(i), LView->subItem(i)});
    const QString shape = cShape->currentText();
    if (!definer::guardedSave(
            m_seen, [&](store::Fingerprint &seen) { store::saveInstitutePairs(m_module.mainDb(), shape, pairs, &seen); },
            [this] { cShape_Click(); }))
        return false;
    markSaved(LView);
    return true;
}

QString FrmMultiData::savingQuestion() const
{
    return QStringLiteral("Save the changes to the institute pairs of %1?").arg(cShape->currentText());
}

} // namespace setup
