#pragma once

class QComboBox;

namespace store {
class ClassModule;
class Fingerprint;
}

namespace definer {

// Fills a shape combo from Shapes.txt and rebuilds the module's ShapeCodes
// to match it (one entry per shape, then one empty entry). Throws
// store::Error when the file cannot be read; the combo is then unchanged.
// seen, when given, becomes the fingerprint of the file as read.
void LoadShapeList(QComboBox *combo, store::ClassModule &module, store::Fingerprint *seen = nullptr);

// Fills a window's own shape combo from Shapes.txt, leaving ShapeCodes to
// the main window's combo (the windows pair them by position). Throws like
// LoadShapeList.
void fillShapeNames(QComboBox *combo, const store::ClassModule &module);

} // namespace definer
