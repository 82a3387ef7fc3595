#include "history/FrmHistory.h"

#include "controls/GraphicalButton.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"
#include "definer/Guard.h"
#include "definer/RuleSetPanel.h"
#include "definer/Styles.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace history {

namespace {

const QColor kDifferentTint(0xD8, 0xE8, 0xFF);
constexpr int kFirstDataRow = 2;

QString cellText(const QVariant &value)
{
    return value.isValid() ? value.toString() : QString();
}

// A limit as the grid shows it: a range no row holds is empty too.
QString limit(const store::RangeCell *cell, bool max)
{
    return !cell ? QString() : max ? cell->max : cell->min;
}

QVector<bool> ticksOf(const LabRules &rules, const QString &parameter)
{
    QVector<bool> ticks{false, false}; // include, show: on when any class row carries it
    if (const store::RangeLookup::Cells *cells = rules.ranges.parameter(parameter)) {
        for (int j = 0; j < cells->size() && j < rules.classes.size(); ++j) {
            ticks[0] = ticks[0] || (cells->at(j).stored && cells->at(j).include);
            ticks[1] = ticks[1] || (cells->at(j).stored && cells->at(j).show);
        }
    }
    return ticks;
}

} // namespace

LabRules labRules(const store::HistoryScope &scope, const store::Parts &parts)
{
    const bool lab = scope.area == store::HistoryScope::Area::Lab;
    const int o = lab ? 2 : 0; // Shape and Lab come first in a lab's rows
    LabRules rules;
    if (lab && !parts.value(0).isEmpty())
        rules.description = cellText(parts[0].first().value(2));
    // The class list in Serial order, as the main window reads it.
    QVector<std::pair<qint64, QString>> classes;
    for (const store::Row &row : parts.value(lab ? 1 : 0))
        classes.append({row.value(lab ? 2 : 1).toLongLong(), cellText(row.value(lab ? 3 : 0))});
    std::stable_sort(classes.begin(), classes.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[serial, name] : classes)
        rules.classes.append(name);
    for (const store::Row &row : parts.value(lab ? 2 : 1)) {
        const QString para = cellText(row.value(o + 1));
        const qint64 serial = row.value(o).toLongLong();
        if (!rules.ranges.parameter(para))
            rules.rangeParameters.append({para, cellText(row.value(o + 6))});
        rules.ranges.add(para, int(qBound<qint64>(0, serial, store::RangeLookup::kMaxClassNumber + 1LL)),
                         {cellText(row.value(o + 2)), cellText(row.value(o + 3)), row.value(o + 4).toLongLong() != 0,
                          row.value(o + 7).toLongLong() != 0});
    }
    return rules;
}

FrmHistory::FrmHistory(const QSqlDatabase &db, const store::HistoryScope &scope, QWidget *parent)
    : QDialog(parent), m_db(db), m_scope(scope), m_model(new HistoryModel(false, this))
{
    setWindowTitle(QStringLiteral("History of %1").arg(scope.describe()));
    buildControls();
    connect(List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { showEntry(); });
    connect(BtnNow, &QPushButton::clicked, this, [this] { BtnNow_Click(); });
    connect(BtnLab, &QPushButton::clicked, this, [this] { BtnLab_Click(); });
    connect(BtnRestore, &QPushButton::clicked, this, [this] { BtnRestore_Click(); });
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::reject);
    reload();
}

void FrmHistory::buildControls()
{
    List = makeEntryView(m_model, this);
    List->setObjectName(QStringLiteral("List"));
    List->setMinimumHeight(170);
    BtnNow = makeButton(this, "BtnNow", QStringLiteral("Compare with now"));
    BtnLab = makeButton(this, "BtnLab", QStringLiteral("Compare with lab..."));
    BtnRestore = makeButton(this, "BtnRestore", QStringLiteral("Restore"));
    BtnClose = makeButton(this, "BtnClose", QStringLiteral("Close"));
    BtnLab->setVisible(m_scope.area == store::HistoryScope::Area::Lab);
    QHBoxLayout *top = besideButtons(List, {BtnNow, BtnLab, BtnRestore}, BtnClose);
    Caption = makeCaption(this);

    // The main window's working area, with its grid, class list and tick
    // lists where they stand there; nothing in it can be edited.
    auto *client = new QWidget(this);
    client->setFixedSize(controls::twips(13560), controls::twips(7290));
    definer::styles::paintBackground(client);
    const bool secondary = m_scope.area == store::HistoryScope::Area::Secondary;
    panel = new definer::RuleSetPanel(client,
                                      {QString(), secondary ? QStringLiteral("Include") : QStringLiteral("INCLUDE"),
                                       secondary ? QStringLiteral("Show") : QStringLiteral("SHOW")},
                                      controls::EditorPolicy());
    QObject::disconnect(panel->msf, nullptr, panel->editor(), nullptr);
    for (QWidget *editing : {static_cast<QWidget *>(panel->Txt), static_cast<QWidget *>(panel->TxtCName),
                             static_cast<QWidget *>(panel->BtnApply), static_cast<QWidget *>(panel->BtnList[0]),
                             static_cast<QWidget *>(panel->BtnList[1]), static_cast<QWidget *>(panel->BtnList[2]),
                             static_cast<QWidget *>(panel->BtnList[3])})
        editing->hide();
    panel->msf->setNoteProvider([this](int row) { return m_notes.value(row); });
    Description = definer::styles::makeLabel(QString(), client);
    Description->setObjectName(QStringLiteral("Description"));
    Description->setWordWrap(true);
    controls::place(Description, 240, 120, 4425, 1200);

    auto *frame = new QVBoxLayout(this);
    frame->addLayout(top);
    frame->addWidget(Caption);
    frame->addWidget(client);
    frame->setSizeConstraint(QLayout::SetFixedSize);
}

const store::HistoryEntry *FrmHistory::entry() const
{
    return selectedEntry(List, m_model);
}

void FrmHistory::reload()
{
    definer::guarded([this] {
        const store::RuleTables tables = m_scope.area == store::HistoryScope::Area::Lab
            ? store::RuleTables::forType(m_scope.type)
            : store::RuleTables::secondary();
        m_parameters = store::RuleStore(m_db, tables).parameters(m_scope.shape);
        m_seen = store::storedFingerprint(m_db, m_scope); // before the rows it stands for
        m_now = store::storedParts(m_db, m_scope);
        store::HistoryFilter filter;
        filter.scope = m_scope;
        m_model->setEntries(store::historyEntries(m_db, filter));
    });
    if (m_model->rowCount() > 0) {
        List->selectRow(0); // shows it
        return;
    }
    const LabRules now = labRules(m_scope, m_now);
    showRules(now, now, QString(), QStringLiteral("No save of %1 is recorded yet; it is shown as stored now.").arg(m_scope.describe()));
}

void FrmHistory::showEntry()
{
    const store::HistoryEntry *e = entry();
    if (!e)
        return;
    definer::guarded([&] {
        const store::Parts after = store::versionAfter(m_db, *e);
        store::Parts before = after;
        store::applyDiff(store::entryChanges(m_db, *e), before, false);
        showRules(labRules(m_scope, after), labRules(m_scope, before), QStringLiteral("Before"),
             QStringLiteral("%1 as %2 left it. Marked: what it changed; point at a value for what it was before.")
                 .arg(m_scope.describe(), e->title(localTime(e->saved))));
    });
}

void FrmHistory::BtnNow_Click()
{
    const store::HistoryEntry *e = entry();
    if (!e) {
        controls::inform(QStringLiteral("Choose the save to compare with what is stored now first."));
        return;
    }
    definer::guarded([&] {
        showRules(labRules(m_scope, store::versionAfter(m_db, *e)), labRules(m_scope, m_now), QStringLiteral("Now"),
             QStringLiteral("%1 as %2 left it. Marked: what differs from what is stored now; point at a value for "
                            "what is stored now.")
                 .arg(m_scope.describe(), e->title(localTime(e->saved))));
    });
}

void FrmHistory::BtnLab_Click()
{
    QStringList labs;
    const store::RuleTables tables = store::RuleTables::forType(m_scope.type);
    if (!definer::guarded([&] { labs = store::RuleStore(m_db, tables).labs(m_scope.shape); }))
        return;
    labs.removeIf([this](const QString &lab) { return lab.compare(m_scope.lab, Qt::CaseInsensitive) == 0; });
    if (labs.isEmpty()) {
        controls::inform(QStringLiteral("There is no other institute of %1 (%2) to compare with.").arg(m_scope.shape, m_scope.type));
        return;
    }
    QDialog choice(this);
    choice.setWindowTitle(QStringLiteral("Compare with lab"));
    auto *list = new QListWidget(&choice);
    list->setObjectName(QStringLiteral("Labs"));
    list->addItems(labs);
    list->setCurrentRow(0);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &choice);
    connect(buttons, &QDialogButtonBox::accepted, &choice, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &choice, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &choice, &QDialog::accept);
    auto *layout = new QVBoxLayout(&choice);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (controls::openModal(choice) != QDialog::Accepted || !list->currentItem())
        return;
    const QString other = list->currentItem()->text();
    definer::guarded([&] {
        const store::Parts otherNow = store::storedParts(m_db, store::HistoryScope::ofLab(tables, {m_scope.shape, other}));
        {
            const QSignalBlocker quiet(List->selectionModel());
            List->clearSelection();
        }
        showRules(labRules(m_scope, m_now), labRules(m_scope, otherNow), other,
             QStringLiteral("%1 as stored now. Marked: what differs in %2; point at a value for what %2 holds.")
                 .arg(m_scope.describe(), other));
    });
}

void FrmHistory::BtnRestore_Click()
{
    const store::HistoryEntry *e = entry();
    if (!e) {
        controls::inform(QStringLiteral("Choose the save whose version is to be restored first."));
        return;
    }
    const store::HistoryEntry chosen = *e;
    if (!confirmAndRestore(m_db, chosen, m_seen, {}, [this] { reload(); }))
        return;
    emit restored();
    reload();
}

void FrmHistory::showRules(const LabRules &shown, const LabRules &other, const QString &otherName, const QString &caption)
{
    QVector<store::Parameter> parameters = m_parameters;
    for (const LabRules *rules : {&shown, &other}) {
        for (const store::Parameter &p : rules->rangeParameters) {
            const bool listed = std::any_of(parameters.begin(), parameters.end(), [&](const store::Parameter &q) {
                return q.displayName.compare(p.displayName, Qt::CaseInsensitive) == 0;
            });
            if (!listed)
                parameters.append(p);
        }
    }
    panel->showParameters(parameters);
    panel->showClasses(shown.classes, shown.ranges);
    for (QListWidget *list : {panel->PList, panel->sList}) {
        const QSignalBlocker quiet(list);
        for (int i = 0; i < list->count(); ++i) // shown, not for ticking
            list->item(i)->setFlags(list->item(i)->flags() & ~Qt::ItemIsUserCheckable);
    }
    const int differ = otherName.isEmpty() ? 0 : markCells(shown, other, otherName) + markLists(shown, other, otherName);
    const bool described = shown.description != other.description && !otherName.isEmpty();
    Description->setText(m_scope.area == store::HistoryScope::Area::Lab ? QStringLiteral("Description: %1").arg(shown.description) : QString());
    Description->setToolTip(described ? QStringLiteral("%1: %2").arg(otherName, other.description) : QString());
    Description->setStyleSheet(described ? QStringLiteral("color: #C00000") : QString());
    Caption->setText(caption + (otherName.isEmpty() ? QString() : QStringLiteral(" (%1 marked)").arg(differ + int(described))));
}

int FrmHistory::markCells(const LabRules &shown, const LabRules &other, const QString &otherName)
{
    m_notes.clear();
    controls::FlexGrid *grid = panel->msf;
    int marked = 0;
    for (int r = kFirstDataRow; r < grid->rows(); ++r) {
        const QString parameter = grid->textMatrix(r, 0);
        for (int j = 0; j < shown.classes.size(); ++j) {
            const store::RangeCell *mine = shown.ranges.find(parameter, j + 1);
            const store::RangeCell *theirs = other.ranges.find(parameter, j + 1);
            for (const bool max : {false, true}) {
                const QString value = limit(theirs, max);
                if (limit(mine, max) == value)
                    continue;
                const int col = 2 * j + (max ? 2 : 1);
                grid->setCellMarked(r, col, true);
                m_notes[r].append({col, kDifferentTint,
                                   QStringLiteral("%1: %2").arg(otherName, value.isEmpty() ? QStringLiteral("(empty)") : value)});
                ++marked;
            }
        }
    }
    grid->refreshNotes();
    return marked;
}

int FrmHistory::markLists(const LabRules &shown, const LabRules &other, const QString &otherName)
{
    int marked = 0;
    auto mark = [&](QListWidgetItem *item, bool differs, const QString &theirs) {
        const QSignalBlocker quiet(item->listWidget());
        item->setData(Qt::ForegroundRole, differs ? QVariant(controls::kChangedColor) : QVariant());
        item->setToolTip(differs ? QStringLiteral("%1: %2").arg(otherName, theirs) : QString());
        marked += differs ? 1 : 0;
    };
    for (int i = 0; i < panel->LCname->count(); ++i) {
        const QString theirs = i < other.classes.size() ? other.classes[i] : QStringLiteral("(no class)");
        mark(panel->LCname->item(i), i >= other.classes.size() || other.classes[i] != shown.classes.value(i), theirs);
    }
    for (int i = 0; i < panel->PList->count(); ++i) {
        const QString parameter = panel->PList->item(i)->text();
        const QVector<bool> mine = ticksOf(shown, parameter), theirs = ticksOf(other, parameter);
        for (int t = 0; t < 2; ++t) {
            QListWidgetItem *item = (t == 0 ? panel->PList : panel->sList)->item(i);
            mark(item, mine[t] != theirs[t], theirs[t] ? QStringLiteral("ticked") : QStringLiteral("not ticked"));
        }
    }
    return marked;
}

} // namespace history
