#include "shell/FrmCS.h"

#include "access/FrmAbout.h"
#include "access/FrmPass.h"
#include "controls/EditHistory.h"
#include "controls/Prompt.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "girdle/FrmDescPara.h"
#include "secondary/FrmOMZ.h"
#include "setup/FrmMultiData.h"
#include "setup/FrmPara.h"
#include "setup/FrmShapes.h"
#include "store/ClassModule.h"
#include "store/DataDir.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLayout>
#include <QMenuBar>
#include <QProcess>
#include <QShortcut>

FrmCS::FrmCS(store::ClassModule &module, QWidget *parent) : QMainWindow(parent), m_module(module)
{
    setWindowTitle(QStringLiteral("Orvana Cut / Symmetry Definer"));
    definer = new definer::ClassDefiner(module, this);
    setCentralWidget(definer);
    buildMenus();
    // Fixed single border: no resizing, no minimize or maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Exactly Shift+F8, whichever control has the focus.
    auto *password = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), this);
    password->setContext(Qt::WindowShortcut);
    connect(password, &QShortcut::activated, this, &FrmCS::showPasswordWindow);
}

void FrmCS::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &name, const QString &caption,
                       const QKeySequence &shortcut = {}) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        return action;
    };
    auto separator = [](QMenu *menu, const QString &name) { menu->addSeparator()->setObjectName(name); };

    MnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    MnuFile->setObjectName(QStringLiteral("MnuFile"));
    MnuSave = item(MnuFile, QStringLiteral("MnuSave"), QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    MnuCopyAs = item(MnuFile, QStringLiteral("MnuCopyAs"), QStringLiteral("Copy As"));
    separator(MnuFile, QStringLiteral("sep1"));
    MnuCreate = item(MnuFile, QStringLiteral("MnuCreate"), QStringLiteral("&Create"), QKeySequence(Qt::CTRL | Qt::Key_N));
    separator(MnuFile, QStringLiteral("sep2"));
    MnuDelete = item(MnuFile, QStringLiteral("MnuDelete"), QStringLiteral("Delete"));
    separator(MnuFile, QStringLiteral("sep5"));
    MnuPrint = item(MnuFile, QStringLiteral("MnuPrint"), QStringLiteral("Print"), QKeySequence(Qt::CTRL | Qt::Key_P));
    separator(MnuFile, QStringLiteral("Sep3"));
    MnuImport = item(MnuFile, QStringLiteral("MnuImport"), QStringLiteral("Import"), QKeySequence(Qt::CTRL | Qt::Key_I));
    MnuExport = item(MnuFile, QStringLiteral("MnuExport"), QStringLiteral("Export"), QKeySequence(Qt::CTRL | Qt::Key_E));
    separator(MnuFile, QStringLiteral("sep8"));
    MnuBackup = item(MnuFile, QStringLiteral("MnuBackup"), QStringLiteral("Back up"));
    MnuHistory = item(MnuFile, QStringLiteral("MnuHistory"), QStringLiteral("History..."), QKeySequence(Qt::CTRL | Qt::Key_H));
    MnuHistoryAll = item(MnuFile, QStringLiteral("MnuHistoryAll"), QStringLiteral("History of all rules..."));
    separator(MnuFile, QStringLiteral("sep7"));
    MnuUpdateShapes = item(MnuFile, QStringLiteral("MnuUpdateShapes"), QStringLiteral("Update Shapes"));
    separator(MnuFile, QStringLiteral("sep89"));
    MnuExit = item(MnuFile, QStringLiteral("MnuExit"), QStringLiteral("E&xit"));

    // A menu of its own beside File leaves every old menu as it was.
    MnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    MnuEdit->setObjectName(QStringLiteral("MnuEdit"));
    MnuEdit->addAction(definer->panel->history()->undoAction());
    MnuEdit->addAction(definer->panel->history()->redoAction());

    MnuOptions = menuBar()->addMenu(QStringLiteral("Options"));
    MnuOptions->setObjectName(QStringLiteral("MnuOptions"));
    MnuMultilab = item(MnuOptions, QStringLiteral("MnuMultilab"), QStringLiteral("Multiple Institute"));
    MnuOMZsym = item(MnuOptions, QStringLiteral("MnuOMZsym"), QStringLiteral("OMZ Symmetry"));
    Desc = item(MnuOptions, QStringLiteral("Desc"), QStringLiteral("Desciption"));
    MnuTryStone = item(MnuOptions, QStringLiteral("MnuTryStone"), QStringLiteral("Try a stone..."));
    MnuWhatChanges = item(MnuOptions, QStringLiteral("MnuWhatChanges"), QStringLiteral("What would change..."));

    mnuSettings = menuBar()->addMenu(QStringLiteral("Settings"));
    mnuSettings->setObjectName(QStringLiteral("mnuSettings"));
    MnuParameters = item(mnuSettings, QStringLiteral("MnuParameters"), QStringLiteral("Parameters"));
    MnuShape = item(mnuSettings, QStringLiteral("MnuShape"), QStringLiteral("Shapes"));
    mnuSettings->menuAction()->setVisible(false);

    helppp = menuBar()->addMenu(QStringLiteral("Help"));
    helppp->setObjectName(QStringLiteral("helppp"));
    Instru = item(helppp, QStringLiteral("Instru"), QStringLiteral("Instructions"));
    MnuAbout = item(helppp, QStringLiteral("MnuAbout"), QStringLiteral("About"));

    connect(MnuSave, &QAction::triggered, definer, &definer::ClassDefiner::MnuSave_Click);
    connect(MnuCopyAs, &QAction::triggered, definer, &definer::ClassDefiner::MnuCopyAs_Click);
    connect(MnuCreate, &QAction::triggered, definer, &definer::ClassDefiner::MnuCreate_Click);
    connect(MnuDelete, &QAction::triggered, definer, &definer::ClassDefiner::MnuDelete_Click);
    connect(MnuUpdateShapes, &QAction::triggered, definer, &definer::ClassDefiner::MnuUpdateShapes_Click);
    connect(MnuExit, &QAction::triggered, this, &QWidget::close);
    connect(Instru, &QAction::triggered, this, &FrmCS::Instru_Click);
    connect(MnuAbout, &QAction::triggered, this, &FrmCS::MnuAbout_Click);
    connect(Desc, &QAction::triggered, this, &FrmCS::Desc_Click);
    connect(MnuTryStone, &QAction::triggered, this, &FrmCS::MnuTryStone_Click);
    connect(MnuWhatChanges, &QAction::triggered, this, &FrmCS::MnuWhatChanges_Click);
    connect(MnuPrint, &QAction::triggered, this, &FrmCS::MnuPrint_Click);
    connect(MnuExport, &QAction::triggered, this, &FrmCS::MnuExport_Click);
    connect(MnuImport, &QAction::triggered, this, &FrmCS::MnuImport_Click);
    connect(MnuBackup, &QAction::triggered, this, &FrmCS::MnuBackup_Click);
    connect(MnuHistory, &QAction::triggered, this, &FrmCS::MnuHistory_Click);
    connect(MnuHistoryAll, &QAction::triggered, this, &FrmCS::MnuHistoryAll_Click);
    connect(MnuParameters, &QAction::triggered, this, &FrmCS::MnuParameters_Click);
    connect(MnuShape, &QAction::triggered, this, &FrmCS::MnuShape_Click);
    connect(MnuMultilab, &QAction::triggered, this, &FrmCS::MnuMultilab_Click);
    connect(MnuOMZsym, &QAction::triggered, this, &FrmCS::MnuOMZsym_Click);
}

void FrmCS::closeEvent(QCloseEvent *event)
{
    if (definer->offerToSaveChanges())
        event->accept();
    else
        event->ignore();
}

void FrmCS::Form_Load()
{
    definer->loadShapeList();
    m_module.OpenDatabases();
    definer->selectFirstTypeAndShape();
}

void FrmCS::showPasswordWindow()
{
    FrmPass window(mnuSettings->menuAction(), this);
    controls::openModal(window);
}

void FrmCS::MnuAbout_Click()
{
    FrmAbout window(QDate::currentDate(), this);
    controls::openModal(window);
}

void FrmCS::Desc_Click()
{
    girdle::FrmDescPara window(m_module, this);
    controls::openModal(window);
}

void FrmCS::MnuParameters_Click()
{
    setup::FrmPara window(m_module, definer->cShape, this);
    controls::openModal(window);
}

void FrmCS::MnuShape_Click()
{
    setup::FrmShapes window(m_module, definer->cShape, this, &definer->shapesSeen());
    controls::openModal(window);
}

void FrmCS::MnuMultilab_Click()
{
    setup::FrmMultiData window(m_module, this);
    controls::openModal(window);
}

void FrmCS::MnuOMZsym_Click()
{
    secondary::FrmOMZ window(m_module, this);
    if (window.Form_Load()) // a missing file or table was reported instead
        controls::openModal(window);
}

void FrmCS::Instru_Click()
{
    const QString script = m_module.dataDir().file(QString::fromLatin1(store::kHelpScript));
    if (!QFileInfo(script).isFile()) {
        controls::inform(QStringLiteral("No instructions are installed: %1 was not found in %2.")
                             .arg(QString::fromLatin1(store::kHelpScript), m_module.dataDir().path()));
        return;
    }
    // Started and not waited for.
#ifdef Q_OS_WIN
    const bool started = QProcess::startDetached(QStringLiteral("cmd.exe"), {QStringLiteral("/c"), script},
                                                 m_module.dataDir().path());
#else
    const bool started = QProcess::startDetached(QStringLiteral("/bin/sh"), {script}, m_module.dataDir().path());
#endif
    if (!started)
        controls::inform(QStringLiteral("The instructions could not be started (%1).").arg(script));
}
