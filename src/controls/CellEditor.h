#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace controls {

class FlexGrid;
class GridEdits;

// What differs between the grid windows that edit cells with a floating box.
struct EditorPolicy {
    int firstRow = 2;        // first data row: where Down wraps to
    int firstCol = 1;        // first data column: where Enter wraps to
    int freeTextCol = -1;    // a column whose text is not tested as a number
    bool selectAllOnRefusal = false;
    // Write the editor's text back, even empty, while the edit flag is set
    // (set when the editor is placed); otherwise only non-empty text.
    bool editFlagWriteBack = false;
    // Longest text that typing or pasting may make; 0 for no limit. A longer
    // value put in by code stays whole.
    int maxLength = 0;
};

// The floating text box laid over a grid's current cell. It shows the cell's
// text, writes its own text back when the grid leaves the cell, and moves
// through the grid with Enter, Shift+Enter, Up and Down, refusing to move on
// text that is not a number. What it writes, and a block of cells pasted
// from a spreadsheet (Ctrl+V on text with tabs or line breaks), become
// steps of the window's history; its typing not yet written is the
// history's pending step.
class CellEditor : public QObject {
    Q_OBJECT

public:
    CellEditor(GridEdits *edits, QLineEdit *editor, const EditorPolicy &policy, QObject *parent = nullptr);

    // Places the editor over the current cell with the cell's text selected.
    // Does nothing when the grid has no editable cell.
    void tFlexFocus();
    // Empties the editor, then hides it: nothing is written back, now or
    // when the grid next leaves the cell.
    void hideEditor();
    // Writes what the visible editor holds into its cell, by the same rule as
    // leaving the cell, and keeps editing; so a save just after typing keeps
    // the typed value.
    void commitPending();
    // The visible editor holds text that leaving the cell would write there
    // and that differs from the cell's text.
    bool hasPendingChange() const;
    // The name of that change as a step, or empty when there is none.
    QString pendingStep() const;
    // The editor's key handling; true when the key was used.
    bool Txt_KeyDown(int key, int shift);

    bool editFlag() const { return m_editFlag; }
    QLineEdit *editor() const { return m_editor; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onLeaveCell();
    bool wouldWrite() const;
    bool writeBack(); // true when the editor's text went into the cell
    bool hasEditableCell() const;
    void placeOverCell();
    void followCurrentCell();
    int nextRow(int step) const;
    void moveTo(int row, int col);
    void setTextWhole(const QString &text);
    QString typingStep(const QString &text) const;
    // Lines and tabs from the current cell on, right and down, as far as
    // the grid reaches; a single value goes into the editor as typed.
    void pasteBlock(const QString &text);
    void letGo();
    void takeUp();

    GridEdits *m_edits;
    FlexGrid *m_grid;
    QLineEdit *m_editor;
    EditorPolicy m_policy;
    bool m_editFlag = false;
    bool m_moving = false;  // the editor is moving the grid itself
    bool m_writing = false; // the editor is writing its own text
    bool m_parked = false;  // shown, while someone else changes the grid
};

} // namespace controls
