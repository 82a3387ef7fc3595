#include "secondary/FrmOMZ.h"

#include "controls/CellEditor.h"
#include "controls/EditHistory.h"
#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"
#include "definer/RuleSetSaving.h"
#include "definer/Styles.h"
#include "history/FrmHistory.h"
#include "store/ClassModule.h"
#include "store/Error.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace secondary {

namespace {

// The one rule set of the file has no shape and no lab.
const store::Scope kWholeFile;
const QString kSaveQuestion = QStringLiteral("Save the changes to the OMZ symmetry rules?");

// Room for the panel where the main window has it.
constexpr int kClientWidth = 13560;
constexpr int kClientHeight = 7290;

} // namespace

FrmOMZ::FrmOMZ(store::ClassModule &module, QWidget *parent) : QDialog(parent), m_module(module)
{
    setWindowTitle(QStringLiteral("OMZ Symmetry Definer"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    menu = new QMenuBar(this);
    client = new QWidget(this);
    client->setFixedSize(controls::twips(kClientWidth), controls::twips(kClientHeight));
    definer::styles::paintBackground(client);
    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setMenuBar(menu);
    frame->addWidget(client);
    frame->setSizeConstraint(QLayout::SetFixedSize);

    controls::EditorPolicy policy; // the class grid: data from row 2, column 1
    policy.maxLength = kCellMaxLength;
    policy.editFlagWriteBack = true; // an emptied editor empties its cell
    policy.selectAllOnRefusal = true;
    panel = new definer::RuleSetPanel(
        client, {QStringLiteral("Apply and save class"), QStringLiteral("Include"), QStringLiteral("Show")}, policy);
    const QList<QWidget *> order = {panel->LCname,     panel->TxtCName,   panel->BtnList[0], panel->BtnList[1],
                                    panel->BtnApply,   panel->BtnList[2], panel->BtnList[3], panel->msf,
                                    panel->SSTab1,     panel->PList,      panel->sList};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    connect(panel->BtnApply, &QAbstractButton::clicked, this, [this] { BtnApply_Click(); });
    buildMenu();
}

void FrmOMZ::buildMenu()
{
    MnuFile = menu->addMenu(QStringLiteral("&File"));
    MnuFile->setObjectName(QStringLiteral("MnuFile"));
    auto item = [this](const QString &name, const QString &caption) {
        QAction *action = MnuFile->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    MnuSave = item(QStringLiteral("MnuSave"), QStringLiteral("Save"));
    MnuCopyAs = item(QStringLiteral("MnuCopyAs"), QStringLiteral("Copy As"));
    MnuFile->addSeparator()->setObjectName(QStringLiteral("sep1"));
    MnuCreate = item(QStringLiteral("MnuCreate"), QStringLiteral("&Create"));
    MnuParameters = item(QStringLiteral("MnuParameters"), QStringLiteral("Parameters"));
    MnuHistory = item(QStringLiteral("MnuHistory"), QStringLiteral("History..."));
    MnuHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    MnuFile->addSeparator()->setObjectName(QStringLiteral("ss"));
    MnuExit = item(QStringLiteral("MnuExit"), QStringLiteral("E&xit"));
    MnuEdit = menu->addMenu(QStringLiteral("&Edit"));
    MnuEdit->setObjectName(QStringLiteral("MnuEdit"));
    MnuEdit->addAction(panel->history()->undoAction());
    MnuEdit->addAction(panel->history()->redoAction());
    // "Copy As", "&Create" and "Parameters" have no action here.
    connect(MnuSave, &QAction::triggered, this, &FrmOMZ::MnuSave_Click);
    connect(MnuExit, &QAction::triggered, this, &FrmOMZ::MnuExit_Click);
    connect(MnuHistory, &QAction::triggered, this, &FrmOMZ::MnuHistory_Click);
}

store::RuleStore FrmOMZ::rules() const
{
    return store::RuleStore(m_module.secondaryDb(), store::RuleTables::secondary());
}

bool FrmOMZ::Form_Load()
{
    try {
        OpenConnection();
    } catch (const store::Error &error) {
        controls::inform(error.message() + QStringLiteral(" The OMZ Symmetry Definer cannot be opened."));
        return false;
    }
    return definer::guarded([this] {
        GetSymParameters();
        GetClass();
    });
}

void FrmOMZ::OpenConnection()
{
    m_module.openSecondaryDb();
}

void FrmOMZ::GetSymParameters()
{
    panel->showParameters(rules().parameters(QString()));
}

void FrmOMZ::GetClass()
{
    const store::RuleStore store = rules();
    panel->classesSeen = store.classesFingerprint(kWholeFile); // before the rows it stands for
    const QStringList classes = store.classes(kWholeFile);
    const store::RangeLookup ranges = store.ranges(kWholeFile, &panel->rangesSeen);
    panel->showClasses(classes, ranges);
}

bool FrmOMZ::offerToSaveChanges()
{
    return definer::offerToSave(*panel, panel->gridChanged(), panel->classesChanged(), kSaveQuestion, rules(),
                                kWholeFile, [this] { reload(); });
}

void FrmOMZ::BtnApply_Click()
{
    // On failure nothing was stored and the list stays as the user left it.
    if (definer::applyClasses(*panel, kSaveQuestion, rules(), kWholeFile, [this] { reload(); }))
        definer::guarded([this] { GetClass(); });
}

void FrmOMZ::MnuSave_Click()
{
    definer::saveGrid(*panel, rules(), kWholeFile, [this] { reload(); });
}

void FrmOMZ::reload()
{
    definer::guarded([this] {
        GetSymParameters();
        GetClass();
    });
}

void FrmOMZ::MnuExit_Click()
{
    close();
}

void FrmOMZ::MnuHistory_Click()
{
    if (!offerToSaveChanges())
        return;
    history::FrmHistory window(m_module.secondaryDb(), store::HistoryScope::ofLab(store::RuleTables::secondary(), kWholeFile),
                               this);
    connect(&window, &history::FrmHistory::restored, this, &FrmOMZ::reload);
    controls::openModal(window);
}

void FrmOMZ::reject()
{
    if (offerToSaveChanges())
        QDialog::reject();
}

void FrmOMZ::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape)
        QDialog::keyPressEvent(event);
}

} // namespace secondary
