#pragma once

#include "controls/CellEditor.h"
#include "controls/FlexGrid.h"
#include "store/RuleStore.h"

#include <QObject>
#include <QPoint>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QWidget;

namespace controls {
class EditHistory;
class FlexGrid;
class GraphicalButton;
class GridEdits;
}

namespace definer {

class ClassNameList;

// What the two class definer windows show differently.
struct PanelCaptions {
    QString apply;       // the apply button
    QString includeTab;
    QString showTab;
};

// The part the main window and the secondary definer share: the class grid
// with its cell editor, the class name list with its buttons, the include
// and show lists, and the loading and reading of a rule set through them.
class RuleSetPanel : public QObject {
    Q_OBJECT

public:
    RuleSetPanel(QWidget *host, const PanelCaptions &captions, const controls::EditorPolicy &policy);

    // Parameter rows of the grid (clears classes, lists and ticks first).
    void showParameters(const QVector<store::Parameter> &parameters);
    // Class columns, the class list, cells and ticks for the loaded rows.
    void showClasses(const QStringList &classes, const store::RangeLookup &ranges);

    // The class list as it stands on screen.
    QStringList classNames() const;
    // The report field of a parameter row (index = grid row - 2).
    QString rowField(int index) const { return m_rowFields.value(index); }
    // One row per parameter row and class column pair, as the grid shows them.
    QVector<store::RangeRow> gridRanges() const;

    void hideEditor();

    // Unsaved work: cells (the editor's pending text included) and ticks
    // changed since the last load or save of the grid; the class list
    // changed since it was loaded.
    bool gridChanged() const;
    bool classesChanged() const;
    // The grid as it stands now is what is stored.
    void markGridSaved();

    // The stored range rows and class rows as the window loaded or saved
    // them last; saves compare them with what is stored then.
    store::Fingerprint rangesSeen;
    store::Fingerprint classesSeen;

    QLabel *Label7;
    controls::FlexGrid *msf;
    QLineEdit *Txt;
    QListWidget *LCname;
    QLineEdit *TxtCName;
    controls::GraphicalButton *BtnList[4];
    controls::GraphicalButton *BtnApply;
    QTabWidget *SSTab1;
    QListWidget *PList;
    QListWidget *sList;

    controls::CellEditor *editor() const { return m_editor; }
    ClassNameList *classNameList() const { return m_classNames; }
    // Cells, ticks and the class list as changed since the last load or save.
    controls::EditHistory *history() const { return m_history; }
    // Every change of the grid's cells goes through here.
    controls::GridEdits *cells() const { return m_cells; }

    static constexpr int kNameColumnWidth = 2500;
    static constexpr int kClassColumnWidth = 900;

signals:
    // Cells, ticks or the whole rule set on screen changed, or were saved.
    void contentChanged();

private:
    void buildControls(QWidget *host, const PanelCaptions &captions);
    void markLoaded();
    void markCells(const QVector<QPoint> &cells);
    QString cellName(int row, int col) const;
    void tickChanged(QListWidgetItem *item);
    // Tints for the limits of a parameter row that look wrong, with the reason.
    QVector<controls::FlexGrid::CellNote> checkRow(int row) const;
    void markTick(QListWidgetItem *item);
    static QVector<bool> ticks(const QListWidget *list);
    static void setTicks(QListWidget *list, const QVector<bool> &on);

    QStringList m_rowFields; // report field of each parameter row, index = row - 2
    // What was loaded or saved last, to tell changed cells and ticks.
    QVector<QStringList> m_savedCells; // by grid row
    QVector<bool> m_savedIncludes;
    QVector<bool> m_savedShows;
    QStringList m_savedClasses;
    int m_changedCells = 0; // marked cells
    controls::EditHistory *m_history = nullptr;
    controls::GridEdits *m_cells = nullptr;
    controls::CellEditor *m_editor = nullptr;
    ClassNameList *m_classNames = nullptr;
};

} // namespace definer
