#pragma once

#include <QObject>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>
#include <functional>

class QAction;
class QWidget;

namespace controls {

// One user action as the history keeps it: how to take it back and how to
// do it again. redo(again) runs when pushed (again = false) and on every
// redo after an undo (again = true).
class EditStep final : public QUndoCommand {
public:
    EditStep(const QString &what, std::function<void()> undo, std::function<void(bool again)> redo)
        : m_undo(std::move(undo)), m_redo(std::move(redo))
    {
        setText(what);
    }
    void undo() override { m_undo(); }
    void redo() override
    {
        m_redo(m_again);
        m_again = true;
    }

private:
    std::function<void()> m_undo;
    std::function<void(bool)> m_redo;
    bool m_again = false;
};

// The undo history of one window: what the user changed on screen since
// its rules were last loaded or stored, with Undo and Redo actions named
// after the step they take back (Ctrl+Z; Ctrl+Y and Ctrl+Shift+Z). A change
// becomes a step when it reaches the grid or list; typing not yet written
// into its cell is the latest change, written (and so kept) first when the
// window's Undo or Redo runs.
class EditHistory : public QObject {
    Q_OBJECT

public:
    // The actions work by their keys wherever the focus is in host's window.
    explicit EditHistory(QWidget *host);
    ~EditHistory() override;

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    const QUndoStack &stack() const { return m_stack; }

    // Keeps a change already made, or makes it (see EditStep).
    void push(QUndoCommand *step) { m_stack.push(step); }
    // Runs change() and keeps it as one step when take() then differs;
    // undo and redo put take()'s snapshot back. describe() names the step
    // and is asked after the change.
    template <typename Take, typename Put, typename Change, typename Describe>
    void record(Take take, Put put, Change change, Describe describe)
    {
        const auto before = take();
        change();
        const auto after = take();
        if (before == after)
            return;
        push(new EditStep(
            describe(), [put, before] { put(before); }, [put, after](bool again) {
                if (again)
                    put(after);
            }));
    }
    // The window shows stored rules again: the history starts anew.
    void clear();
    void undo();
    void redo();

    // The one source of typing not yet in its cell: what it would be named
    // as a step (empty when there is none), and how to write it.
    void setPending(std::function<QString()> describe, std::function<void()> commit);
    // The pending typing changed: the actions' names follow.
    void refresh();

    // In the text boxes below root, Ctrl+Z and Ctrl+Y first undo and redo
    // the box's own typing; once it has none, the window's steps.
    void watchTextBoxes(QWidget *root);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void commitPending();

    QUndoStack m_stack;
    QAction *m_undo;
    QAction *m_redo;
    std::function<QString()> m_describePending;
    std::function<void()> m_commitPending;
};

} // namespace controls
