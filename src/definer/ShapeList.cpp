#include "definer/ShapeList.h"

#include "store/ClassModule.h"
#include "store/ShapeFile.h"

#include <QComboBox>

namespace definer {

namespace {

QVector<store::ShapeEntry> fill(QComboBox *combo, const store::ClassModule &module, store::Fingerprint *seen = nullptr)
{
    const QVector<store::ShapeEntry> shapes =
        store::readShapeFile(module.dataDir().file(QString::fromLatin1(store::kShapesFile)), seen);
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const store::ShapeEntry &shape : shapes)
        combo->addItem(shape.name);
    return shapes;
}

} // namespace

void LoadShapeList(QComboBox *combo, store::ClassModule &module, store::Fingerprint *seen)
{
    const QVector<store::ShapeEntry> shapes = fill(combo, module, seen);
    module.ShapeCodes = QStringList{QString()};
    for (const store::ShapeEntry &shape : shapes) {
        module.ShapeCodes.last() = shape.code;
        module.ShapeCodes.append(QString());
    }
}

void fillShapeNames(QComboBox *combo, const store::ClassModule &module)
{
    fill(combo, module);
}

} // namespace definer
