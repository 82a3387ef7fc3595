#include "history/HistoryList.h"

#include "controls/Prompt.h"
#include "definer/Guard.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace history {

namespace {

enum Column { Saved, User, Workstation, Kind, Changes, Rules };

} // namespace

QString localTime(const QString &savedUtc)
{
    const QDateTime time = QDateTime::fromString(savedUtc, Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : savedUtc;
}

HistoryModel::HistoryModel(bool withScope, QObject *parent) : QAbstractTableModel(parent), m_withScope(withScope)
{
}

void HistoryModel::setEntries(const QVector<store::HistoryEntry> &entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

const store::HistoryEntry *HistoryModel::entry(int row) const
{
    return row >= 0 && row < m_entries.size() ? &m_entries[row] : nullptr;
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_withScope ? Rules + 1 : Changes + 1);
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    const store::HistoryEntry *e = entry(index.row());
    if (!e || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (index.column()) {
    case Saved: return localTime(e->saved);
    case User: return e->who;
    case Workstation: return e->workstation;
    case Kind: return e->note.isEmpty() ? e->kind : QStringLiteral("%1 (%2)").arg(e->kind, e->note);
    case Changes: return e->changes;
    case Rules: return e->scope.describe();
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[] = {"Saved", "User", "Workstation", "Kind", "Changes", "Rules"};
    return section >= 0 && section <= Rules ? QString::fromLatin1(captions[section]) : QVariant();
}

QTableView *makeEntryView(HistoryModel *model, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setColumnWidth(Saved, 150);
    view->setColumnWidth(Kind, 230);
    return view;
}

const store::HistoryEntry *selectedEntry(const QTableView *view, const HistoryModel *model)
{
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : model->entry(rows.first().row());
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout *besideButtons(QTableView *list, const QList<QPushButton *> &buttons, QPushButton *last)
{
    auto *column = new QVBoxLayout;
    for (QPushButton *button : buttons)
        column->addWidget(button);
    column->addStretch();
    column->addWidget(last);
    auto *row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(column);
    return row;
}

QLabel *makeCaption(QWidget *parent)
{
    auto *caption = new QLabel(parent);
    caption->setObjectName(QStringLiteral("Caption"));
    caption->setWordWrap(true);
    caption->setMinimumHeight(2 * caption->fontMetrics().lineSpacing());
    return caption;
}

bool confirmAndRestore(const QSqlDatabase &db, const store::HistoryEntry &entry, store::Fingerprint &seen,
                       const QString &shapesFile, const std::function<void()> &reload)
{
    const QString version = entry.title(localTime(entry.saved));
    bool same = false;
    if (!definer::guarded([&] {
            same = store::describeChanges(entry.scope, store::storedParts(db, entry.scope, shapesFile),
                                          store::versionAfter(db, entry))
                       .isEmpty();
        }))
        return false;
    if (same) { // a restore would store nothing and record nothing
        controls::inform(QStringLiteral("%1 is stored as %2 left it; there is nothing to restore.")
                             .arg(entry.scope.describe(), version));
        return false;
    }
    const QString question = QStringLiteral("Restore %1 as %2 left it?\n\nIt is stored as a new save; what is stored "
                                            "now stays in the history.")
                                 .arg(entry.scope.describe(), version);
    if (!controls::confirm(question))
        return false;
    return definer::guardedSave(
        seen, [&](store::Fingerprint &s) { store::restoreVersion(db, entry, &s, shapesFile); }, reload);
}

} // namespace history
