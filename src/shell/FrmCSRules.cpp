// File > Print, Export, Import and Back up of the main window.
#include "shell/FrmCS.h"

#include "controls/FlexGrid.h"
#include "controls/Prompt.h"
#include "definer/ClassDefiner.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"
#include "grading/FrmWhatChanges.h"
#include "legacy/MdbReportTables.h"
#include "rules/Backup.h"
#include "rules/FrmExport.h"
#include "rules/FrmTryStone.h"
#include "rules/RuleFile.h"
#include "rules/RuleSheet.h"
#include "store/ClassModule.h"
#include "store/Error.h"
#include "store/ReportStones.h"
#include "store/RuleStore.h"
#include "store/WholeFile.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

const QString kCsvFilter = QStringLiteral("Rules files (*.csv)");

bool ticked(const QListWidget *list, int index)
{
    return index < list->count() && list->item(index)->checkState() == Qt::Checked;
}

} // namespace

rules::RuleSheet FrmCS::ruleSheet() const
{
    const definer::RuleSetPanel &panel = *definer->panel;
    rules::RuleSheet sheet;
    sheet.shape = definer->shape();
    sheet.type = definer->type();
    sheet.lab = definer->lab();
    sheet.date = QDate::currentDate();
    // The classes the grid's columns hold; the class list may be edited
    // ahead of them until it is applied.
    for (int col = 1; col + 1 < panel.msf->cols(); col += 2)
        sheet.classes.append(panel.msf->textMatrix(0, col));
    definer::guarded([&] {
        sheet.description = store::RuleStore(m_module.mainDb(), store::RuleTables::forType(sheet.type))
                                .labDescription({sheet.shape, sheet.lab});
    });
    // What the grid shows, edits not yet saved included.
    for (int r = 2; r < panel.msf->rows(); ++r) {
        const QStringList cells = panel.msf->rowTexts(r);
        sheet.rows.append({cells.value(0), ticked(panel.PList, r - 2), ticked(panel.sList, r - 2), cells.mid(1),
                           panel.rowField(r - 2)});
    }
    return sheet;
}

void FrmCS::MnuPrint_Click()
{
    if (definer->lab().isEmpty()) {
        controls::inform(QStringLiteral("No institute is selected. Choose one under INSTITUTE first; there is nothing to print."));
        return;
    }
    definer->panel->editor()->commitPending(); // the value just typed is part of the sheet
    const rules::RuleSheet sheet = ruleSheet();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("%1 %2 %3").arg(sheet.shape, sheet.type, sheet.lab));
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Print"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&sheet](QPrinter *target) { rules::printRuleSheet(sheet, *target); });
    controls::openModal(preview);
}

QString FrmCS::shapeCode() const
{
    return m_module.ShapeCodes.value(definer->cShape->currentIndex());
}

void FrmCS::MnuTryStone_Click()
{
    if (!m_tryStone) {
        // Modeless, so the rules can be edited while it shows what they do.
        auto findStone = [this](qint64 rid, const QStringList &fields) {
            const std::unique_ptr<store::ReportTables> reports = legacy::openReportTables(m_module);
            return *store::readStones(*reports, shapeCode(), fields, {}, rid);
        };
        m_tryStone = new rules::FrmTryStone([this] { return ruleSheet(); }, findStone, this);
        connect(definer->panel, &definer::RuleSetPanel::contentChanged, m_tryStone, &rules::FrmTryStone::refresh);
    }
    m_tryStone->show();
    m_tryStone->raise();
    m_tryStone->activateWindow();
}

void FrmCS::MnuWhatChanges_Click()
{
    if (!m_whatChanges) {
        // Modeless too: it follows the grid as the rules are edited.
        m_whatChanges = new grading::FrmWhatChanges(m_module, [this] { return ruleSheet(); }, [this] { return shapeCode(); }, this);
        connect(definer->panel, &definer::RuleSetPanel::contentChanged, m_whatChanges, &grading::FrmWhatChanges::refresh);
    }
    m_whatChanges->show();
    m_whatChanges->raise();
    m_whatChanges->activateWindow();
}

void FrmCS::MnuExport_Click()
{
    if (!definer->offerToSaveChanges())
        return;
    rules::FrmExport choice(definer->type(), definer->shape(), definer->lab(), this);
    if (controls::openModal(choice) != QDialog::Accepted)
        return;
    QString path = controls::chooseFile(controls::FileChoice::Save, QStringLiteral("Export"), kCsvFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    const rules::Selection selection{choice.scope(), definer->type(), definer->shape(), definer->lab()};
    const bool done = definer::guarded([&] {
        const QByteArray csv = rules::exportRules(m_module.mainDb(), selection);
        store::writeWholeFile(path, csv, QDir::toNativeSeparators(path));
    });
    if (done)
        controls::inform(QStringLiteral("The rules were exported to %1.").arg(QDir::toNativeSeparators(path)));
}

void FrmCS::MnuImport_Click()
{
    if (!definer->offerToSaveChanges())
        return;
    const QString path = controls::chooseFile(controls::FileChoice::Open, QStringLiteral("Import"), kCsvFilter);
    if (path.isEmpty())
        return;
    std::optional<rules::ImportPlan> plan;
    const bool read = definer::guarded([&] { plan = rules::ImportPlan::read(m_module.mainDb(), path); });
    if (!read)
        return;
    if (!controls::confirm(plan->summary().join(u'\n') + QStringLiteral("\n\nImport these rules?")))
        return;
    if (definer::guarded([&] { plan->apply(m_module.mainDb()); })) {
        controls::inform(QStringLiteral("The rules were imported."));
        definer->cShape_Click();
    }
}

void FrmCS::MnuBackup_Click()
{
    if (!definer->offerToSaveChanges())
        return;
    const QString parent = controls::chooseFile(controls::FileChoice::Folder, QStringLiteral("Back up into"), {});
    if (parent.isEmpty())
        return;
    QString folder;
    if (definer::guarded([&] { folder = rules::backUp(m_module.dataDir(), parent, QDateTime::currentDateTime()); }))
        controls::inform(QStringLiteral("The rules were backed up to %1.\n\nTo restore them, close Orvana Class and copy "
                                        "Class.db, OMZ2006.db and Shapes.txt from there into the data directory %2.")
                             .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(m_module.dataDir().path())));
}
