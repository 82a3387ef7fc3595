#include "setup/ListEditDialog.h"

#include "controls/EditHistory.h"
#include "controls/Prompt.h"
#include "controls/ReportList.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace setup {

void ListEditDialog::connectListEditing()
{
    connect(List, &controls::ReportList::itemDoubleClicked, this, [this] { List_DblClick(); });
    connect(BtnPlus, &QPushButton::clicked, this, [this] { BtnPlus_Click(); });
    connect(BtnMinus, &QPushButton::clicked, this, [this] { BtnMinus_Click(); });
    for (QLineEdit *box : Txt)
        box->installEventFilter(this);
    history()->watchTextBoxes(this);
}

void ListEditDialog::emptyBoxes()
{
    for (QLineEdit *box : Txt)
        box->setText(QString());
}

bool ListEditDialog::eventFilter(QObject *watched, QEvent *event)
{
    const int index = watched == Txt[0] ? 0 : watched == Txt[1] ? 1 : -1;
    if (index >= 0 && event->type() == QEvent::FocusIn)
        Txt_GotFocus(index);
    else if (index >= 0 && event->type() == QEvent::KeyPress)
        Txt_KeyDown(index, static_cast<QKeyEvent *>(event)->key());
    return EditingDialog::eventFilter(watched, event);
}

void ListEditDialog::List_DblClick()
{
    const int number = List->selectedNumber();
    if (number == 0)
        return;
    Txt[0]->setText(List->text(number));
    Txt[1]->setText(List->subItem(number));
    Txt[0]->setFocus();
}

void ListEditDialog::Txt_GotFocus(int index)
{
    Txt[index]->selectAll();
}

void ListEditDialog::Txt_KeyDown(int, int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        BtnPlus_Click();
}

void ListEditDialog::BtnMinus_Click()
{
    const int number = List->selectedNumber();
    if (number == 0)
        return;
    if (controls::confirm(QStringLiteral("You want to remove the item?")))
        recordListChange(List, [&] { List->removeItem(number); }, QStringLiteral("removing %1").arg(List->text(number)));
}

} // namespace setup
