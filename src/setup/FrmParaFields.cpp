// The report field browser on the tab "Database Fields" of FrmPara.
#include "setup/FrmPara.h"

#include "controls/ReportList.h"
#include "store/ReportTables.h"

#include <QComboBox>

namespace setup {

void FrmPara::refreshFields()
{
    const int shape = cShape->currentIndex();
    // Filled for this shape already: keep the list and the user's ticks.
    if (!List2->tag().isEmpty() && List2->tag().toInt() == shape)
        return;

    // Read everything first, so a failure leaves the list and its tag as
    // they were and the next "Show" tries again.
    QStringList fields;
    for (const QString &table : store::shapeTables(m_reports->tables(), m_codes.value(shape))) {
        for (const QString &column : m_reports->columns(table)) {
            if (column != QLatin1String("RID"))
                fields.append(column);
        }
    }
    List2->clear();
    for (const QString &field : fields)
        List2->addItem(field);
    List2->setTag(QString::number(shape));
}

void FrmPara::BtnApply_Click()
{
    const auto addTicked = [&] {
        for (int row = 1; row <= List2->count(); ++row) {
            if (!List2->checked(row))
                continue;
            const QString field = List2->text(row);
            bool present = false;
            for (int item = 1; item <= List->count() && !present; ++item)
                present = List->subItem(item) == field;
            if (present)
                continue;
            List->addItem(field, field);
            List2->setChecked(row, false);
        }
    };
    recordListChange(List, addTicked, QStringLiteral("adding parameters"));
}

} // namespace setup
