#include "controls/ReportList.h"

#include "controls/Twips.h"

#include <QHeaderView>

namespace controls {

ReportList::ReportList(QWidget *parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item, int) {
        emit itemDoubleClicked(indexOfTopLevelItem(item) + 1);
    });
}

void ReportList::setColumns(const QStringList &headers, const QList<int> &widths)
{
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
    for (int i = 0; i < widths.size() && i < headers.size(); ++i)
        setColumnWidth(i, twips(widths[i]));
}

QTreeWidgetItem *ReportList::at(int number) const
{
    return number >= 1 && number <= count() ? topLevelItem(number - 1) : nullptr;
}

int ReportList::addItem(const QString &text, const QString &subItem)
{
    auto *item = new QTreeWidgetItem(QStringList{text, subItem});
    if (m_checkBoxes)
        item->setCheckState(0, Qt::Unchecked);
    addTopLevelItem(item);
    return count();
}

void ReportList::removeItem(int number)
{
    delete at(number);
}

QString ReportList::text(int number) const
{
    const QTreeWidgetItem *item = at(number);
    return item ? item->text(0) : QString();
}

void ReportList::setText(int number, const QString &text)
{
    if (QTreeWidgetItem *item = at(number))
        item->setText(0, text);
}

QString ReportList::subItem(int number) const
{
    const QTreeWidgetItem *item = at(number);
    return item ? item->text(1) : QString();
}

void ReportList::setSubItem(int number, const QString &text)
{
    if (QTreeWidgetItem *item = at(number))
        item->setText(1, text);
}

bool ReportList::checked(int number) const
{
    const QTreeWidgetItem *item = at(number);
    return item && item->checkState(0) == Qt::Checked;
}

void ReportList::setChecked(int number, bool on)
{
    if (QTreeWidgetItem *item = at(number))
        item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

int ReportList::selectedNumber() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? 0 : indexOfTopLevelItem(selected.first()) + 1;
}

void ReportList::setSelectedNumber(int number)
{
    clearSelection();
    if (QTreeWidgetItem *item = at(number)) {
        item->setSelected(true);
        setCurrentItem(item);
    }
}

} // namespace controls
