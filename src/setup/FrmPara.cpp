#include "setup/FrmPara.h"

#include "controls/Prompt.h"
#include "controls/ReportList.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/Styles.h"
#include "legacy/MdbReportTables.h"
#include "setup/SetupWidgets.h"
#include "store/ClassModule.h"
#include "store/ParameterStore.h"
#include "store/ReportTables.h"
#include "store/RuleStore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace setup {

namespace {

QString seenKey(const QString &type, const QString &shape)
{
    return type + u'\n' + shape;
}

} // namespace

FrmPara::FrmPara(store::ClassModule &module, const QComboBox *mainShapes, QWidget *parent,
                 const store::ReportTables *reports)
    : ListEditDialog(parent), m_module(module), m_reports(reports)
{
    for (int i = 0; i < mainShapes->count(); ++i) {
        m_shapes.append(mainShapes->itemText(i));
        m_codes.append(module.ShapeCodes.value(i));
    }
    if (!m_reports) {
        m_ownReports = legacy::openReportTables(module);
        m_reports = m_ownReports.get();
    }
    buildControls();
    Form_Load();
}

FrmPara::~FrmPara() = default;

void FrmPara::buildControls()
{
    setUpWindow(this, QStringLiteral("Cut / Sym Parameters"), 7200, 6000);

    Label1 = addLabel(this, "Label1", QStringLiteral("SHAPE"), 240, 210, 735, 225);
    cShape = addCombo(this, "cShape", 1080, 150, 2055, 315);
    pCut = addCombo(this, "pCut", 3240, 150, 1095, 315);
    pCut->addItems({QStringLiteral("Cut"), QStringLiteral("Sym")});
    BtnView = addButton(this, "BtnView", QStringLiteral("Show"), 4440, 120, 1095, 375);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setFont(controls::makeFont(QStringLiteral("Arial"), 8.25, false));
    controls::place(SSTab1, 240, 660, 6720, 4500);
    auto *parameters = new QWidget;
    auto *fields = new QWidget;
    SSTab1->addTab(parameters, QStringLiteral("Parameters"));
    SSTab1->addTab(fields, QStringLiteral("Database Fields"));

    List = addList(parameters, "List", 120, 120, 6435, 2655);
    List->setColumns({QStringLiteral("DISPLAY NAME"), QStringLiteral("DATABASE FIELD NAME")}, {3195, 3000});
    Label2 = addLabel(parameters, "Label2", QStringLiteral("DISPLAY NAME"), 120, 2880, 2055, 225);
    Txt[0] = addTextBox(parameters, "Txt0", 120, 3120, 2535, 315);
    Label3 = addLabel(parameters, "Label3", QStringLiteral("DATABASE FIELDS"), 2760, 2880, 2055, 225);
    Txt[1] = addTextBox(parameters, "Txt1", 2760, 3120, 2175, 315);
    BtnPlus = addButton(parameters, "BtnPlus", QStringLiteral("Add"), 5040, 3090, 735, 375);
    BtnMinus = addButton(parameters, "BtnMinus", QStringLiteral("Delete"), 5820, 3090, 735, 375);

    Label4 = addLabel(fields, "Label4", QStringLiteral("FIELDS NAME"), 120, 120, 2055, 225);
    List2 = addList(fields, "List2", 120, 360, 6435, 2895);
    List2->setCheckBoxes(true);
    List2->setColumns({QStringLiteral("DATABASE FIELD NAME")}, {5000});
    BtnApply = addButton(fields, "BtnApply", QStringLiteral("Apply"), 5640, 3360, 915, 375);

    pmShapes = addCombo(this, "pmShapes", 240, 5400, 2055, 315);
    BtnTrans = addButton(this, "BtnTrans", QStringLiteral("Transfer data"), 2400, 5370, 1455, 375);
    BtnSave = addButton(this, "BtnSave", QStringLiteral("Save data"), 5625, 5370, 1335, 375);

    setup::setTabOrder({cShape, pCut, BtnView, SSTab1, List, Txt[0], Txt[1], BtnPlus, BtnMinus, List2, BtnApply,
                        pmShapes, BtnTrans, BtnSave});

    connect(BtnView, &QPushButton::clicked, this, [this] { BtnView_Click(); });
    connect(BtnApply, &QPushButton::clicked, this, [this] { BtnApply_Click(); });
    connect(BtnTrans, &QPushButton::clicked, this, [this] { BtnTrans_Click(); });
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSave_Click(); });
    connectListEditing();
}

void FrmPara::Form_Load()
{
    const QSignalBlocker blockShape(cShape);
    const QSignalBlocker blockTarget(pmShapes);
    cShape->clear();
    pmShapes->clear();
    cShape->addItems(m_shapes);
    pmShapes->addItems(m_shapes);
    pCut->setCurrentIndex(0);
    cShape->setCurrentIndex(m_shapes.isEmpty() ? -1 : 0);
    pmShapes->setCurrentIndex(-1);
    BtnView_Click();
}

void FrmPara::BtnView_Click()
{
    definer::guarded([this] {
        // Fingerprints before the rows they stand for (see store::Fingerprint).
        QHash<QString, store::Fingerprint> seen;
        for (const QString &type : {QStringLiteral("Cut"), QStringLiteral("Sym")}) {
            const store::RuleTables tables = store::RuleTables::forType(type);
            for (const QString &shape : m_shapes)
                seen.insert(seenKey(type, shape), store::parametersFingerprint(m_module.mainDb(), tables, shape));
        }
        const store::RuleStore rules(m_module.mainDb(), store::RuleTables::forType(pCut->currentText()));
        const QVector<store::Parameter> parameters = rules.parameters(cShape->currentText());
        m_seen = seen;
        List->clear();
        for (const store::Parameter &parameter : parameters)
            List->addItem(parameter.displayName, parameter.fieldName);
        m_shownType = pCut->currentText();
        m_shownShape = cShape->currentText();
        markSaved(List);
        refreshFields();
    });
}

void FrmPara::BtnPlus_Click()
{
    const int number = List->selectedNumber();
    if (number == 0)
        return;
    // Only the display name changes; the field name box is for reading.
    const QString name = Txt[0]->text();
    recordListChange(List, [&] { List->setText(number, name); },
                     QStringLiteral("renaming %1 to %2").arg(List->text(number), name));
    emptyBoxes();
}

QVector<store::Parameter> FrmPara::listed() const
{
    QVector<store::Parameter> parameters;
    for (int i = 1; i <= List->count(); ++i)
        parameters.append({List->text(i), List->subItem(i)});
    return parameters;
}

void FrmPara::clearBoxes()
{
    Txt[0]->clear();
    Txt[1]->clear();
    Txt[0]->setFocus();
}

bool FrmPara::storeList(const QString &type, const QString &shape)
{
    const QVector<store::Parameter> parameters = listed();
    const bool onScreen = type == m_shownType && shape == m_shownShape;
    return definer::guardedSave(
        m_seen[seenKey(type, shape)],
        [&](store::Fingerprint &seen) {
            store::saveParameters(m_module.mainDb(), store::RuleTables::forType(type), shape, parameters, &seen);
        },
        // Reloading another shape's list would drop the list on screen.
        [&] { onScreen ? showList(type, shape) : tellStored(type, shape); });
}

void FrmPara::showList(const QString &type, const QString &shape)
{
    pCut->setCurrentIndex(pCut->findText(type, Qt::MatchExactly | Qt::MatchCaseSensitive));
    cShape->setCurrentIndex(cShape->findText(shape, Qt::MatchExactly | Qt::MatchCaseSensitive));
    BtnView_Click();
}

void FrmPara::tellStored(const QString &type, const QString &shape)
{
    definer::guarded([&] {
        const store::RuleTables tables = store::RuleTables::forType(type);
        const store::Fingerprint seen = store::parametersFingerprint(m_module.mainDb(), tables, shape);
        const QVector<store::Parameter> stored = store::RuleStore(m_module.mainDb(), tables).parameters(shape);
        QString text = QStringLiteral("The parameters of %1 (%2) as stored now:").arg(shape, type);
        for (int i = 0; i < stored.size(); ++i)
            text += QStringLiteral("\n%1. %2 (%3)").arg(i + 1).arg(stored[i].displayName, stored[i].fieldName);
        if (stored.isEmpty())
            text += QStringLiteral("\nnone");
        // Seen now: storing the list on screen again replaces them knowingly.
        m_seen[seenKey(type, shape)] = seen;
        controls::inform(text + QStringLiteral("\n\nThe list on screen is kept as it is."));
    });
}

void FrmPara::BtnSave_Click()
{
    const QString type = pCut->currentText();
    const QString shape = cShape->currentText();
    if (!storeList(type, shape))
        return;
    // The list on screen is now what that shape and type hold.
    m_shownType = type;
    m_shownShape = shape;
    markSaved(List);
    clearBoxes();
}

QString FrmPara::savingQuestion() const
{
    return QStringLiteral("Save the changes to the parameters of %1 (%2)?").arg(m_shownShape, m_shownType);
}

bool FrmPara::saveChanges()
{
    if (!storeList(m_shownType, m_shownShape))
        return false;
    markSaved(List);
    return true;
}

void FrmPara::BtnTrans_Click()
{
    if (pmShapes->currentIndex() < 0) {
        controls::inform(QStringLiteral("Choose the shape to transfer the parameters to."));
        return;
    }
    const QString source = cShape->currentText();
    const QString target = pmShapes->currentText();
    if (source == target)
        return;
    if (!storeList(pCut->currentText(), target))
        return;
    clearBoxes();
    controls::inform(QStringLiteral("Parameters were transferred from ") + source + QStringLiteral(" to ") + target);
}

} // namespace setup
