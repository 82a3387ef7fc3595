#pragma once

class QComboBox;

namespace store {
class ClassModule;
}

namespace definer {

// Fills a shape combo from Shapes.txt and rebuilds the module's ShapeCodes
// to match it (one entry per shape, then one empty entry). Throws
// store::Error when the file cannot be read; the combo is then unchanged.
void LoadShapeList(QComboBox *combo, store::ClassModule &module);

} // namespace definer
