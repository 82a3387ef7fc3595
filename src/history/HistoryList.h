#pragma once

#include "store/History.h"

#include <QAbstractTableModel>
#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;

namespace history {

// A saved time (UTC as stored) in the user's own time: "2024-05-01 14:34:56".
QString localTime(const QString &savedUtc);

// The entries of a history, newest first: when, who, where, what kind, how
// many values changed, and, when asked, which rules. Times are turned into
// local ones only for the rows drawn, so a long history lists at once.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit HistoryModel(bool withScope, QObject *parent = nullptr);

    void setEntries(const QVector<store::HistoryEntry> &entries);
    const QVector<store::HistoryEntry> &entries() const { return m_entries; }
    const store::HistoryEntry *entry(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<store::HistoryEntry> m_entries;
    bool m_withScope;
};

// A list of entries, one selected at a time.
QTableView *makeEntryView(HistoryModel *model, QWidget *parent);
// The parts both History windows build alike: a button that Enter leaves
// alone, the list with its buttons beside it (the last at the foot), and a
// caption of two lines that keeps the window's size as its text changes.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption);
QHBoxLayout *besideButtons(QTableView *list, const QList<QPushButton *> &buttons, QPushButton *last);
QLabel *makeCaption(QWidget *parent);
// The entry selected in the view, or nullptr.
const store::HistoryEntry *selectedEntry(const QTableView *view, const HistoryModel *model);

// Asks, then writes the entry's version back as a new save, comparing seen
// with what is stored (Reload runs reload). True when it was restored.
bool confirmAndRestore(const QSqlDatabase &db, const store::HistoryEntry &entry, store::Fingerprint &seen,
                       const QString &shapesFile, const std::function<void()> &reload);

} // namespace history
