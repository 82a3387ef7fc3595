#include "history/FrmHistoryAll.h"

#include "controls/FlexGrid.h"
#include "controls/Prompt.h"
#include "definer/Guard.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace history {

namespace {

const QColor kDifferentTint(0xD8, 0xE8, 0xFF);
const QString kAllUsers = QStringLiteral("All users");
const QString kAllKinds = QStringLiteral("All kinds");

QDate localDate(const QString &savedUtc)
{
    return QDateTime::fromString(savedUtc, Qt::ISODateWithMs).toLocalTime().date();
}

void fill(QComboBox *combo, const QString &all, QStringList items)
{
    items.removeAll(QString());
    items.removeDuplicates();
    items.sort(Qt::CaseInsensitive);
    const QString chosen = combo->currentText();
    combo->clear();
    combo->addItem(all);
    combo->addItems(items);
    combo->setCurrentIndex(qMax(0, combo->findText(chosen)));
}

} // namespace

FrmHistoryAll::FrmHistoryAll(const QSqlDatabase &db, const QSqlDatabase &secondary, const QString &shapesFile,
                             QWidget *parent)
    : QDialog(parent), m_db(db), m_secondary(secondary), m_shapesFile(shapesFile), m_model(new HistoryModel(true, this))
{
    setWindowTitle(QStringLiteral("History of all rules"));
    buildControls();
    reload();
    // From the first entry to today; a restore later keeps what the user chose.
    if (!m_all.isEmpty())
        From->setDate(localDate(m_all.last().saved));
}

void FrmHistoryAll::buildControls()
{
    Users = new QComboBox(this);
    Users->setObjectName(QStringLiteral("Users"));
    Kinds = new QComboBox(this);
    Kinds->setObjectName(QStringLiteral("Kinds"));
    From = new QDateEdit(this);
    From->setObjectName(QStringLiteral("From"));
    To = new QDateEdit(QDate::currentDate(), this);
    To->setObjectName(QStringLiteral("To"));
    for (QDateEdit *date : {From, To}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    auto *filters = new QHBoxLayout;
    for (const auto &[caption, box] : {std::pair<const char *, QWidget *>{"User", Users}, {"Kind", Kinds}, {"From", From},
                                       {"To", To}}) {
        filters->addWidget(new QLabel(QString::fromLatin1(caption), this));
        filters->addWidget(box);
    }
    filters->addStretch();

    List = makeEntryView(m_model, this);
    List->setObjectName(QStringLiteral("List"));
    List->setMinimumSize(900, 220);
    BtnNow = makeButton(this, "BtnNow", QStringLiteral("Compare with now"));
    BtnRestore = makeButton(this, "BtnRestore", QStringLiteral("Restore"));
    BtnClose = makeButton(this, "BtnClose", QStringLiteral("Close"));
    QHBoxLayout *top = besideButtons(List, {BtnNow, BtnRestore}, BtnClose);
    Caption = makeCaption(this);
    Tables = new QTabWidget(this);
    Tables->setObjectName(QStringLiteral("Tables"));
    Tables->setMinimumHeight(260);

    auto *frame = new QVBoxLayout(this);
    frame->addLayout(filters);
    frame->addLayout(top);
    frame->addWidget(Caption);
    frame->addWidget(Tables, 1);

    for (QComboBox *combo : {Users, Kinds})
        connect(combo, &QComboBox::activated, this, [this] { applyFilter(); });
    for (QDateEdit *date : {From, To})
        connect(date, &QDateEdit::dateChanged, this, [this] { applyFilter(); });
    connect(List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { showEntry(); });
    connect(BtnNow, &QPushButton::clicked, this, [this] { BtnNow_Click(); });
    connect(BtnRestore, &QPushButton::clicked, this, [this] { BtnRestore_Click(); });
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

QSqlDatabase FrmHistoryAll::dbOf(const store::HistoryEntry &entry) const
{
    return entry.secondary ? m_secondary : m_db;
}

void FrmHistoryAll::reload()
{
    definer::guarded([this] {
        m_all = store::historyEntries(m_db);
        if (m_secondary.isValid())
            m_all += store::historyEntries(m_secondary);
        // Newest first across both stores.
        std::stable_sort(m_all.begin(), m_all.end(),
                         [](const store::HistoryEntry &a, const store::HistoryEntry &b) { return a.saved > b.saved; });
    });
    QStringList users, kinds;
    for (const store::HistoryEntry &entry : m_all) {
        users.append(entry.who);
        kinds.append(entry.kind);
    }
    fill(Users, kAllUsers, users);
    fill(Kinds, kAllKinds, kinds);
    applyFilter();
}

void FrmHistoryAll::applyFilter()
{
    QVector<store::HistoryEntry> shown;
    for (const store::HistoryEntry &entry : m_all) {
        const QDate day = localDate(entry.saved);
        if ((Users->currentIndex() > 0 && entry.who != Users->currentText())
            || (Kinds->currentIndex() > 0 && entry.kind != Kinds->currentText()) || day < From->date() || day > To->date())
            continue;
        shown.append(entry);
    }
    m_model->setEntries(shown);
    Tables->clear();
    Caption->setText(shown.isEmpty() ? QStringLiteral("No entry matches.") : QStringLiteral("%1 entries.").arg(shown.size()));
    if (!shown.isEmpty())
        List->selectRow(0);
}

void FrmHistoryAll::showEntry()
{
    const store::HistoryEntry *e = selectedEntry(List, m_model);
    if (!e)
        return;
    definer::guarded([&] {
        const QSqlDatabase db = dbOf(*e);
        m_seen = store::storedFingerprint(db, e->scope, m_shapesFile);
        const store::Parts after = store::versionAfter(db, *e);
        store::Parts before = after;
        store::applyDiff(store::entryChanges(db, *e), before, false);
        showRows(e->scope, after, before, QStringLiteral("Before"),
                 QStringLiteral("%1 as %2 left it. Marked: what it changed; point at a value for what it was before.")
                     .arg(e->scope.describe(), e->title(localTime(e->saved))));
    });
}

void FrmHistoryAll::BtnNow_Click()
{
    const store::HistoryEntry *e = selectedEntry(List, m_model);
    if (!e) {
        controls::inform(QStringLiteral("Choose the entry to compare with what is stored now first."));
        return;
    }
    definer::guarded([&] {
        const QSqlDatabase db = dbOf(*e);
        m_seen = store::storedFingerprint(db, e->scope, m_shapesFile);
        showRows(e->scope, store::versionAfter(db, *e), store::storedParts(db, e->scope, m_shapesFile), QStringLiteral("Now"),
                 QStringLiteral("%1 as %2 left it. Marked: what differs from what is stored now; point at a value "
                                "for what is stored now.")
                     .arg(e->scope.describe(), e->title(localTime(e->saved))));
    });
}

void FrmHistoryAll::BtnRestore_Click()
{
    const store::HistoryEntry *e = selectedEntry(List, m_model);
    if (!e) {
        controls::inform(QStringLiteral("Choose the entry whose version is to be restored first."));
        return;
    }
    const store::HistoryEntry chosen = *e;
    if (!confirmAndRestore(dbOf(chosen), chosen, m_seen, m_shapesFile, [this] { reload(); }))
        return;
    emit restored();
    reload();
}

void FrmHistoryAll::showRows(const store::HistoryScope &scope, const store::Parts &shown, const store::Parts &other,
                             const QString &otherName, const QString &caption)
{
    Tables->clear();
    const store::PartsDiff diff = store::diffParts(scope, other, shown);
    for (int p = 0; p < scope.partCount(); ++p) {
        const store::Rows &rows = shown.value(p);
        const QStringList columns = scope.partColumns(p);
        auto *table = new QTableWidget(int(rows.size()), int(columns.size()), Tables);
        table->setHorizontalHeaderLabels(columns);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
        for (int r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < columns.size(); ++c)
                table->setItem(r, c, new QTableWidgetItem(rows[r].value(c).isValid() ? rows[r].value(c).toString() : QString()));
        }
        auto mark = [&](int row, int column, const QString &tip) {
            if (QTableWidgetItem *item = table->item(row, column)) {
                item->setBackground(kDifferentTint);
                item->setForeground(controls::kChangedColor);
                item->setToolTip(tip);
            }
        };
        const store::RowsDiff &changes = diff.value(p);
        for (const store::RowsDiff::Changed &row : changes.changed) {
            for (const store::RowsDiff::Cell &cell : row.cells)
                mark(row.newRow, cell.column, QStringLiteral("%1: %2").arg(otherName, store::valueText(cell.before)));
        }
        for (const store::RowsDiff::Whole &whole : changes.added) {
            for (int c = 0; c < columns.size(); ++c)
                mark(whole.index, c, QStringLiteral("%1: no such row").arg(otherName));
        }
        const qsizetype more = changes.removed.size();
        const QString gone = more == 0 ? QString()
                                       : QStringLiteral(" (%1: %2 %3 more)").arg(otherName).arg(more).arg(more == 1 ? "row" : "rows");
        Tables->addTab(table, scope.partCaption(p) + gone);
    }
    Caption->setText(caption + QStringLiteral(" (%1 marked)").arg(store::changeCount(diff)));
}

} // namespace history
