#include "definer/ClassNameList.h"

#include "controls/EditHistory.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

namespace definer {

ClassNameList::ClassNameList(QListWidget *LCname, QLineEdit *TxtCName, controls::EditHistory *history,
                             QObject *parent)
    : QObject(parent), m_list(LCname), m_name(TxtCName), m_history(history)
{
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_name->setMaxLength(kMaxNameLength);
    m_name->installEventFilter(this);
}

void ClassNameList::BtnList_Click(int index)
{
    switch (index) {
    case Add: add(); break;
    case Delete: deleteSelected(); break;
    case MoveUp: move(-1); break;
    case MoveDown: move(+1); break;
    default: break;
    }
}

ClassNameList::Shown ClassNameList::shown() const
{
    Shown shown{{}, {}, m_list->currentRow()};
    for (int i = 0; i < m_list->count(); ++i) {
        shown.names.append(m_list->item(i)->text());
        if (m_list->item(i)->isSelected())
            shown.selected.append(i);
    }
    return shown;
}

void ClassNameList::show(const Shown &shown)
{
    m_list->clear();
    m_list->addItems(shown.names);
    m_list->setCurrentRow(shown.current, QItemSelectionModel::NoUpdate);
    for (const int i : shown.selected)
        m_list->item(i)->setSelected(true);
}

void ClassNameList::recorded(const std::function<void()> &change, const QString &what)
{
    m_history->record([this] { return shown(); }, [this](const Shown &s) { show(s); }, change, [&what] { return what; });
}

void ClassNameList::add()
{
    const QString name = m_name->text();
    if (name.isEmpty())
        return;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->text() == name) {
            m_name->setFocus();
            m_name->selectAll();
            return;
        }
    }
    recorded([&] { m_list->addItem(name); }, QStringLiteral("adding class %1").arg(name));
    // Not clear(): that the box would undo, and Ctrl+Z is to take the class back.
    m_name->setText(QString());
    m_name->setFocus();
}

void ClassNameList::deleteSelected()
{
    const Shown before = shown();
    QStringList names;
    for (const int i : before.selected)
        names.append(before.names[i]);
    recorded(
        [this] {
            for (int i = m_list->count() - 1; i >= 0; --i) {
                if (m_list->item(i)->isSelected())
                    delete m_list->takeItem(i);
            }
        },
        QStringLiteral("deleting %1 %2").arg(names.size() == 1 ? "class" : "classes", names.join(QStringLiteral(", "))));
}

void ClassNameList::move(int step)
{
    const int p = m_list->currentRow();
    const int q = p + step;
    if (p < 0 || q < 0 || q >= m_list->count())
        return;
    QListWidgetItem *from = m_list->item(p);
    QListWidgetItem *to = m_list->item(q);
    recorded(
        [&] {
            const QString kept = from->text();
            from->setText(to->text());
            to->setText(kept);
            from->setSelected(false);
            // Moving the focus frame must not disturb the other selected entries.
            m_list->setCurrentRow(q, QItemSelectionModel::NoUpdate);
            to->setSelected(true);
        },
        QStringLiteral("moving class %1 %2").arg(from->text(), step < 0 ? "up" : "down"));
}

bool ClassNameList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_name && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            add();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace definer
