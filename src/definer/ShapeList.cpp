#include "definer/ShapeList.h"

#include "store/ClassModule.h"
#include "store/ShapeFile.h"

#include <QComboBox>

namespace definer {

void LoadShapeList(QComboBox *combo, store::ClassModule &module)
{
    const QVector<store::ShapeEntry> shapes =
        store::readShapeFile(module.dataDir().file(QString::fromLatin1(store::kShapesFile)));
    const QSignalBlocker blocker(combo);
    combo->clear();
    module.ShapeCodes = QStringList{QString()};
    for (const store::ShapeEntry &shape : shapes) {
        combo->addItem(shape.name);
        module.ShapeCodes.last() = shape.code;
        module.ShapeCodes.append(QString());
    }
}

} // namespace definer
