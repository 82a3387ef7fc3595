#include "setup/EditingDialog.h"

#include "controls/EditHistory.h"
#include "controls/Prompt.h"
#include "controls/ReportList.h"

#include <utility>

namespace setup {

EditingDialog::EditingDialog(QWidget *parent) : QDialog(parent), m_history(new controls::EditHistory(this)) {}

QStringList EditingDialog::rowsOf(const controls::ReportList *list)
{
    QStringList rows;
    for (int i = 1; list && i <= list->count(); ++i)
        rows << list->text(i) << list->subItem(i);
    return rows;
}

void EditingDialog::markSaved(const controls::ReportList *list)
{
    m_list = list;
    m_saved = rowsOf(list);
    m_history->clear();
}

void EditingDialog::recordListChange(controls::ReportList *list, const std::function<void()> &change,
                                     const QString &what)
{
    // The rows with the selected one, as undo and redo put them back.
    using Shown = std::pair<QStringList, int>;
    m_history->record([list] { return Shown(rowsOf(list), list->selectedNumber()); },
                      [list](const Shown &shown) {
                          list->clear();
                          for (int i = 0; i + 1 < shown.first.size(); i += 2)
                              list->addItem(shown.first[i], shown.first[i + 1]);
                          list->setSelectedNumber(shown.second);
                      },
                      change, [&what] { return what; });
}

bool EditingDialog::hasUnsavedChanges() const
{
    return m_list && rowsOf(m_list) != m_saved;
}

void EditingDialog::reject()
{
    if (hasUnsavedChanges()) {
        switch (controls::choose(savingQuestion())) {
        case controls::Choice::Cancel:
            return;
        case controls::Choice::Yes:
            if (!saveChanges())
                return;
            break;
        case controls::Choice::No:
            break;
        }
    }
    QDialog::reject();
}

} // namespace setup
