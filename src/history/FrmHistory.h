#pragma once

#include "controls/FlexGrid.h"
#include "history/HistoryList.h"

#include <QDialog>
#include <QHash>

class QLabel;
class QPushButton;
class QTableView;

namespace definer {
class RuleSetPanel;
}

namespace history {

// A lab's rules (or the OMZ rules) as one version holds them.
struct LabRules {
    QStringList classes;
    store::RangeLookup ranges;
    QVector<store::Parameter> rangeParameters; // named by its ranges, in their order
    QString description;
};
LabRules labRules(const store::HistoryScope &scope, const store::Parts &parts);

// The saves of one lab, or of the OMZ rules, newest first. Choosing one
// shows the rules as it left them, in the main window's grid layout, the
// values it changed marked, with what they were before in the tool tip.
// "Compare with now" marks what differs from what is stored now; "Compare
// with lab..." shows the lab as stored now against another lab of its
// shape and type. "Restore" writes the chosen version back as a new save.
class FrmHistory : public QDialog {
    Q_OBJECT

public:
    FrmHistory(const QSqlDatabase &db, const store::HistoryScope &scope, QWidget *parent = nullptr);

    // The entries and what is stored now, afresh; the newest entry shown.
    void reload();
    void showEntry();
    void BtnNow_Click();
    void BtnLab_Click();
    void BtnRestore_Click();

    QTableView *List;
    QLabel *Caption;
    QLabel *Description;
    QPushButton *BtnNow;
    QPushButton *BtnLab;
    QPushButton *BtnRestore;
    QPushButton *BtnClose;
    definer::RuleSetPanel *panel;

signals:
    // A version was written back; the windows showing these rules reload.
    void restored();

private:
    void buildControls();
    const store::HistoryEntry *entry() const;
    // Shows `shown`, marking where `other` differs, named by otherName in
    // the tool tips; caption says what is shown.
    void showRules(const LabRules &shown, const LabRules &other, const QString &otherName, const QString &caption);
    int markCells(const LabRules &shown, const LabRules &other, const QString &otherName);
    int markLists(const LabRules &shown, const LabRules &other, const QString &otherName);

    QSqlDatabase m_db;
    store::HistoryScope m_scope;
    HistoryModel *m_model;
    QVector<store::Parameter> m_parameters; // of the shape, as stored now
    store::Parts m_now;
    store::Fingerprint m_seen; // of what is stored now, as read
    QHash<int, QVector<controls::FlexGrid::CellNote>> m_notes;
};

} // namespace history
