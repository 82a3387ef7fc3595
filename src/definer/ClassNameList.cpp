#include "definer/ClassNameList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

namespace definer {

ClassNameList::ClassNameList(QListWidget *LCname, QLineEdit *TxtCName, QObject *parent)
    : QObject(parent), m_list(LCname), m_name(TxtCName)
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
    m_list->addItem(name);
    m_name->clear();
    m_name->setFocus();
}

void ClassNameList::deleteSelected()
{
    for (int i = m_list->count() - 1; i >= 0; --i) {
        if (m_list->item(i)->isSelected())
            delete m_list->takeItem(i);
    }
}

void ClassNameList::move(int step)
{
    const int p = m_list->currentRow();
    const int q = p + step;
    if (p < 0 || q < 0 || q >= m_list->count())
        return;
    QListWidgetItem *from = m_list->item(p);
    QListWidgetItem *to = m_list->item(q);
    const QString kept = from->text();
    from->setText(to->text());
    to->setText(kept);
    from->setSelected(false);
    // Moving the focus frame must not disturb the other selected entries.
    m_list->setCurrentRow(q, QItemSelectionModel::NoUpdate);
    to->setSelected(true);
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
