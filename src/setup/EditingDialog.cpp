#include "setup/EditingDialog.h"

#include "controls/Prompt.h"
#include "controls/ReportList.h"

namespace setup {

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
