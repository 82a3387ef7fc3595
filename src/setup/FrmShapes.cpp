#include "setup/FrmShapes.h"

#include "controls/Prompt.h"
#include "controls/ReportList.h"
#include "definer/Guard.h"
#include "setup/SetupWidgets.h"
#include "store/ClassModule.h"
#include "store/ShapeFile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace setup {

FrmShapes::FrmShapes(store::ClassModule &module, const QComboBox *mainShapes, QWidget *parent,
                     const store::Fingerprint *shapesSeen)
    : ListEditDialog(parent), m_module(module), m_seen(shapesSeen ? *shapesSeen : store::Fingerprint::any())
{
    buildControls();
    Form_Load(mainShapes);
}

void FrmShapes::buildControls()
{
    setUpWindow(this, QStringLiteral("Shapes"), 5520, 5160);

    List = addList(this, "List", 240, 240, 5040, 3255);
    List->setColumns({QStringLiteral("Shape"), QStringLiteral("CutSym Table")}, {2400, 2400});
    Label2 = addLabel(this, "Label2", QStringLiteral("Shape"), 240, 3660, 2055, 225);
    Txt[0] = addTextBox(this, "Txt0", 240, 3900, 2415, 315);
    Label3 = addLabel(this, "Label3", QStringLiteral("CutSym Table"), 2865, 3660, 2055, 225);
    Txt[1] = addTextBox(this, "Txt1", 2865, 3900, 2415, 315);
    BtnPlus = addButton(this, "BtnPlus", QStringLiteral("Add"), 240, 4500, 1095, 375);
    BtnApply = addButton(this, "BtnApply", QStringLiteral("Apply"), 1560, 4500, 1095, 375);
    BtnMinus = addButton(this, "BtnMinus", QStringLiteral("Delete"), 2865, 4500, 1095, 375);
    BtnSave = addButton(this, "BtnSave", QStringLiteral("Save"), 4185, 4500, 1095, 375);

    setup::setTabOrder({List, Txt[0], Txt[1], BtnPlus, BtnApply, BtnMinus, BtnSave});

    connect(BtnApply, &QPushButton::clicked, this, [this] { BtnApply_Click(); });
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSave_Click(); });
    connectListEditing();
}

void FrmShapes::Form_Load(const QComboBox *mainShapes)
{
    for (int i = 0; i < mainShapes->count(); ++i)
        List->addItem(mainShapes->itemText(i), m_module.ShapeCodes.value(i));
    markSaved(List);
}

QString FrmShapes::shapesFile() const
{
    return m_module.dataDir().file(QString::fromLatin1(store::kShapesFile));
}

void FrmShapes::reloadShapes()
{
    definer::guarded([this] {
        const QVector<store::ShapeEntry> shapes = store::readShapeFile(shapesFile(), &m_seen);
        List->clear();
        for (const store::ShapeEntry &shape : shapes)
            List->addItem(shape.name, shape.code);
        markSaved(List);
    });
}

void FrmShapes::refuse(const QString &message)
{
    controls::inform(message);
    Txt[0]->setFocus();
}

bool FrmShapes::refusesName()
{
    if (Txt[0]->text().trimmed().isEmpty() || Txt[1]->text().trimmed().isEmpty())
        return true;
    // The listed name is compared as it stands, the typed one trimmed.
    const QString wanted = Txt[0]->text().trimmed().toUpper();
    for (int i = 1; i <= List->count(); ++i) {
        if (List->text(i).toUpper() == wanted) {
            refuse(QStringLiteral("Already exist."));
            return true;
        }
    }
    const QString problem = store::shapeNameProblem(Txt[0]->text());
    if (!problem.isEmpty()) {
        refuse(problem);
        return true;
    }
    return false;
}

void FrmShapes::BtnPlus_Click()
{
    if (refusesName())
        return;
    const QString problem = store::shapeCodeProblem(Txt[1]->text());
    if (!problem.isEmpty()) {
        controls::inform(problem);
        Txt[1]->setFocus();
        return;
    }
    recordListChange(List, [this] { List->addItem(Txt[0]->text(), Txt[1]->text()); },
                     QStringLiteral("adding shape %1").arg(Txt[0]->text()));
    emptyBoxes();
}

void FrmShapes::BtnApply_Click()
{
    const int number = List->selectedNumber();
    if (number == 0 || refusesName())
        return;
    // Only the name changes: a code changes by removing the shape and adding it again.
    recordListChange(List, [&] { List->setText(number, Txt[0]->text()); },
                     QStringLiteral("renaming shape %1 to %2").arg(List->text(number), Txt[0]->text()));
    emptyBoxes();
}

void FrmShapes::BtnSave_Click()
{
    saveChanges();
}

bool FrmShapes::saveChanges()
{
    QVector<store::ShapeEntry> shapes;
    for (int i = 1; i <= List->count(); ++i)
        shapes.append({List->text(i), List->subItem(i)});
    if (!definer::guardedSave(
            m_seen, [&](store::Fingerprint &seen) { store::saveShapeFile(m_module.mainDb(), shapesFile(), shapes, &seen); },
            [this] { reloadShapes(); }))
        return false;
    markSaved(List);
    return true;
}

QString FrmShapes::savingQuestion() const
{
    return QStringLiteral("Save the changes to the shapes?");
}

} // namespace setup
