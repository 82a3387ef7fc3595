#include "definer/ClassDefiner.h"

#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"
#include "definer/RuleSetSaving.h"
#include "definer/ShapeList.h"
#include "definer/Styles.h"
#include "store/ClassModule.h"
#include "store/LabStore.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QStyle>

namespace definer {

using controls::place;

ClassDefiner::ClassDefiner(store::ClassModule &module, QWidget *parent) : QWidget(parent), m_module(module)
{
    styles::paintBackground(this);
    setFixedSize(controls::twips(13560), controls::twips(7290));
    buildControls();
    setTabOrder();

    connect(pCut, &QComboBox::activated, this, [this](int i) { userChose(pCut, i, &ClassDefiner::pCut_Click); });
    connect(cShape, &QComboBox::activated, this, [this](int i) { userChose(cShape, i, &ClassDefiner::cShape_Click); });
    connect(LabList, &QComboBox::activated, this,
            [this](int i) { userChose(LabList, i, &ClassDefiner::LabList_Click); });
    connect(panel->BtnApply, &QAbstractButton::clicked, this, [this] { BtnApply_Click(); });
    connect(BtnSave, &QAbstractButton::clicked, this, [this] { MnuSave_Click(); });
    connect(BtnCreate, &QAbstractButton::clicked, this, [this] { MnuCreate_Click(); });
    connect(BtnDelete, &QAbstractButton::clicked, this, [this] { MnuDelete_Click(); });
}

void ClassDefiner::buildControls()
{
    auto combo = [this](const QString &name, const QStringList &items, int left, int top) {
        auto *box = new QComboBox(this);
        box->setObjectName(name);
        box->setFont(styles::dataFont());
        box->addItems(items);
        place(box, left, top, 1575, 315);
        return box;
    };
    Label1 = styles::makeLabel(QStringLiteral("SHAPE"), this);
    place(Label1, 330, 120, 585, 225);
    cShape = combo(QStringLiteral("cShape"),
                   {QStringLiteral("Brilliant"), QStringLiteral("Marquise"), QStringLiteral("Pear"),
                    QStringLiteral("Oval"), QStringLiteral("Princess")},
                   1680, 90);
    Label6 = styles::makeLabel(QStringLiteral("CLASS TYPE"), this);
    place(Label6, 330, 480, 1065, 225);
    pCut = combo(QStringLiteral("pCut"), {QStringLiteral("Cut"), QStringLiteral("Sym")}, 1680, 450);
    Label3 = styles::makeLabel(QStringLiteral("INSTITUTE"), this);
    place(Label3, 330, 840, 870, 225);
    LabList = combo(QStringLiteral("LabList"), {}, 1680, 810);

    Frame1 = new QGroupBox(QStringLiteral("New / Copy institute"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFont(styles::labelFont());
    place(Frame1, 240, 1290, 4425, 1005);
    Label2 = styles::makeLabel(QStringLiteral("New Institute"), Frame1);
    place(Label2, 150, 300, 1110, 225);
    nName = new QLineEdit(Frame1);
    nName->setObjectName(QStringLiteral("nName"));
    nName->setFont(styles::dataFont());
    nName->setMaxLength(kMaxLabNameLength);
    place(nName, 1440, 240, 1575, 315);
    Label4 = styles::makeLabel(QStringLiteral("Description"), Frame1);
    place(Label4, 150, 660, 975, 225);
    TxtDesc = new QLineEdit(Frame1);
    TxtDesc->setObjectName(QStringLiteral("TxtDesc"));
    TxtDesc->setFont(styles::dataFont());
    place(TxtDesc, 1440, 600, 2865, 315);

    QStyle *look = style();
    auto button = [this](const QString &name, const QString &caption, const QIcon &icon, int left) {
        auto *b = new controls::GraphicalButton(caption, icon, this);
        b->setObjectName(name);
        b->setFont(styles::windowFont());
        place(b, left, 2340, 555, 555);
        return b;
    };
    BtnDelete = button(QStringLiteral("BtnDelete"), QStringLiteral("Delete..."),
                       look->standardIcon(QStyle::SP_TrashIcon), 240);
    BtnCreate = button(QStringLiteral("BtnCreate"), QStringLiteral("Create new..."),
                       look->standardIcon(QStyle::SP_FileIcon), 3540);
    BtnSave = button(QStringLiteral("BtnSave"), QStringLiteral("Save Data.."),
                     look->standardIcon(QStyle::SP_DialogSaveButton), 4110);
    BtnDelete->fitCaption(BtnCreate->x() - 4);

    controls::EditorPolicy policy; // the class grid: data from row 2, column 1
    policy.maxLength = kCellMaxLength;
    panel = new RuleSetPanel(this,
                             {QStringLiteral("Applya and save class"), QStringLiteral("INCLUDE"),
                              QStringLiteral("SHOW")},
                             policy);
}

void ClassDefiner::setTabOrder()
{
    const QList<QWidget *> order = {cShape,           pCut,          LabList,         nName,
                                    TxtDesc,          panel->LCname, panel->TxtCName, panel->BtnList[0],
                                    panel->BtnList[1], panel->BtnApply, panel->BtnList[2], BtnSave,
                                    BtnDelete,        panel->BtnList[3], panel->msf,   panel->SSTab1,
                                    panel->PList,     panel->sList,  BtnCreate};
    for (int i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

QString ClassDefiner::type() const
{
    return pCut->currentText();
}

QString ClassDefiner::shape() const
{
    return cShape->currentText();
}

QString ClassDefiner::lab() const
{
    return LabList->currentText();
}

store::RuleStore ClassDefiner::rules() const
{
    return store::RuleStore(m_module.mainDb(), store::RuleTables::forType(type()));
}

store::Scope ClassDefiner::scope() const
{
    return {shape(), lab()};
}

bool ClassDefiner::labChosen() const
{
    if (!lab().isEmpty())
        return true;
    controls::inform(QStringLiteral("No institute is selected. Choose one under INSTITUTE first; nothing was saved."));
    return false;
}

void ClassDefiner::loadShapeList()
{
    LoadShapeList(cShape, m_module, &m_shapesSeen);
}

void ClassDefiner::selectFirstTypeAndShape()
{
    pCut->setCurrentIndex(0);
    // With no shape chosen yet this clears everything.
    cShape->setCurrentIndex(-1);
    pCut_Click();
    if (cShape->count() > 0) {
        cShape->setCurrentIndex(0);
        cShape_Click();
    }
}

void ClassDefiner::userChose(QComboBox *combo, int index, void (ClassDefiner::*handler)())
{
    if (m_shown.contains(combo) && index != m_shown[combo]) {
        // The question is about the rules on screen: show their selection
        // while it is asked and saved, and keep it on Cancel.
        combo->setCurrentIndex(m_shown[combo]);
        if (!offerToSaveChanges())
            return;
        combo->setCurrentIndex(index);
    }
    (this->*handler)();
}

void ClassDefiner::remember(QComboBox *combo)
{
    m_shown[combo] = combo->currentIndex();
}

bool ClassDefiner::offerToSaveChanges()
{
    if (lab().isEmpty())
        return true; // nothing on screen can be stored
    return definer::offerToSave(*panel, panel->gridChanged(), panel->classesChanged(), saveQuestion(), rules(),
                                scope(), [this] { LabList_Click(); });
}

QString ClassDefiner::saveQuestion() const
{
    return QStringLiteral("Save the changes to %1 (%2, %3)?").arg(lab(), shape(), type());
}

void ClassDefiner::pCut_Click()
{
    remember(pCut);
    cShape_Click();
}

void ClassDefiner::cShape_Click()
{
    remember(cShape);
    guarded([this] {
        panel->hideEditor();
        const store::RuleStore store = rules();
        // Taken even for a shape without parameters: a lab can be created there.
        m_labListSeen = store::LabStore(m_module.mainDb()).labListFingerprint(shape());
        const QVector<store::Parameter> parameters = store.parameters(shape());
        LabList->clear();
        remember(LabList);
        panel->showParameters(parameters);
        if (parameters.isEmpty())
            return;
        const QStringList labs = store.labs(shape());
        LabList->addItems(labs);
        if (!labs.isEmpty()) {
            LabList->setCurrentIndex(0);
            LabList_Click();
        }
    });
}

void ClassDefiner::LabList_Click()
{
    remember(LabList);
    guarded([this] {
        panel->hideEditor();
        const store::RuleStore store = rules();
        // Fingerprints before the rows they stand for (see store::Fingerprint).
        m_labSeen = store::LabStore(m_module.mainDb()).labFingerprint(store.tables(), scope());
        panel->classesSeen = store.classesFingerprint(scope());
        const QStringList classes = store.classes(scope());
        const store::RangeLookup ranges = store.ranges(scope(), &panel->rangesSeen);
        panel->showClasses(classes, ranges);
    });
}

void ClassDefiner::BtnApply_Click()
{
    if (!labChosen())
        return;
    // On failure nothing was stored and the list stays as the user left it.
    if (definer::applyClasses(*panel, saveQuestion(), rules(), scope(), [this] { LabList_Click(); }))
        LabList_Click();
}

void ClassDefiner::MnuSave_Click()
{
    if (labChosen())
        saveGrid();
}

bool ClassDefiner::saveGrid()
{
    return definer::saveGrid(*panel, rules(), scope(), [this] { LabList_Click(); });
}

} // namespace definer
