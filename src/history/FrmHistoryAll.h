#pragma once

#include "history/HistoryList.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace history {

// Every entry of the rules' history, the OMZ rules' included, newest first,
// narrowed to a user, a kind and the days between two dates. Choosing one
// shows the rows its rules held after it, table by table, the values it
// changed marked with what they were before in the tool tip; the setup
// windows' saves have no grid of their own. "Compare with now" and
// "Restore" work as in a lab's history.
class FrmHistoryAll : public QDialog {
    Q_OBJECT

public:
    // secondary: OMZ2006.db's connection, or an invalid one to leave its
    // rules out. shapesFile: Shapes.txt of the data directory.
    FrmHistoryAll(const QSqlDatabase &db, const QSqlDatabase &secondary, const QString &shapesFile,
                  QWidget *parent = nullptr);

    void reload();
    void applyFilter();
    void showEntry();
    void BtnNow_Click();
    void BtnRestore_Click();

    QComboBox *Users;
    QComboBox *Kinds;
    QDateEdit *From;
    QDateEdit *To;
    QTableView *List;
    QLabel *Caption;
    QTabWidget *Tables;
    QPushButton *BtnNow;
    QPushButton *BtnRestore;
    QPushButton *BtnClose;

signals:
    void restored();

private:
    void buildControls();
    QSqlDatabase dbOf(const store::HistoryEntry &entry) const;
    void showRows(const store::HistoryScope &scope, const store::Parts &shown, const store::Parts &other,
                  const QString &otherName, const QString &caption);

    QSqlDatabase m_db;
    QSqlDatabase m_secondary;
    QString m_shapesFile;
    HistoryModel *m_model;
    QVector<store::HistoryEntry> m_all;
    store::Fingerprint m_seen; // of the chosen entry's rules as stored when it was chosen
};

} // namespace history
