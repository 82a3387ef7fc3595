#include "controls/EditHistory.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace controls {

namespace {

// -1 for the undo keys, +1 for the redo keys, 0 for any other key.
int stepKey(const QKeyEvent *key)
{
    const QKeyCombination combo = key->keyCombination();
    if (combo == (Qt::CTRL | Qt::Key_Z))
        return -1;
    if (combo == (Qt::CTRL | Qt::Key_Y) || combo == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z))
        return +1;
    return 0;
}

// A menu shows "&" as a mark under the next letter; names keep theirs.
QString named(const QString &verb, const QString &what)
{
    return what.isEmpty() ? verb : verb + u' ' + QString(what).replace(u'&', QStringLiteral("&&"));
}

} // namespace

EditHistory::EditHistory(QWidget *host) : QObject(host)
{
    m_undo = new QAction(this);
    m_undo->setObjectName(QStringLiteral("MnuUndo"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = new QAction(this);
    m_redo->setObjectName(QStringLiteral("MnuRedo"));
    m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    host->addAction(m_undo);
    host->addAction(m_redo);
    connect(m_undo, &QAction::triggered, this, &EditHistory::undo);
    connect(m_redo, &QAction::triggered, this, &EditHistory::redo);
    connect(&m_stack, &QUndoStack::indexChanged, this, &EditHistory::refresh);
    refresh();
}

EditHistory::~EditHistory()
{
    // The stack empties itself as it goes; whoever names the pending step
    // may be gone by then.
    m_stack.disconnect(this);
}

void EditHistory::setPending(std::function<QString()> describe, std::function<void()> commit)
{
    m_describePending = std::move(describe);
    m_commitPending = std::move(commit);
    refresh();
}

void EditHistory::commitPending()
{
    if (m_commitPending)
        m_commitPending();
}

void EditHistory::clear()
{
    m_stack.clear();
    refresh();
}

void EditHistory::undo()
{
    commitPending();
    m_stack.undo();
}

void EditHistory::redo()
{
    // Typing still pending is a new step: after it there is nothing to redo.
    commitPending();
    m_stack.redo();
}

void EditHistory::refresh()
{
    const QString pending = m_describePending ? m_describePending() : QString();
    m_undo->setEnabled(!pending.isEmpty() || m_stack.canUndo());
    m_undo->setText(named(QStringLiteral("Undo"), pending.isEmpty() ? m_stack.undoText() : pending));
    m_redo->setEnabled(pending.isEmpty() && m_stack.canRedo());
    m_redo->setText(named(QStringLiteral("Redo"), m_redo->isEnabled() ? m_stack.redoText() : QString()));
}

void EditHistory::watchTextBoxes(QWidget *root)
{
    for (QLineEdit *box : root->findChildren<QLineEdit *>())
        box->installEventFilter(this);
}

bool EditHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto *box = qobject_cast<QLineEdit *>(watched);
    const int step = stepKey(static_cast<QKeyEvent *>(event));
    if (!box || step == 0)
        return false;
    const bool own = step < 0 ? box->isUndoAvailable() : box->isRedoAvailable();
    if (event->type() == QEvent::ShortcutOverride) {
        // Taken, the key comes to the box; left, the window's action runs.
        event->setAccepted(own);
        return true;
    }
    // Here by the box's own claim, or because the window's action did not
    // run (the window not active).
    if (own)
        step < 0 ? box->undo() : box->redo();
    else
        step < 0 ? undo() : redo();
    return true;
}

} // namespace controls
