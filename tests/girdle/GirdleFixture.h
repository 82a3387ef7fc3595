#pragma once

#include "controls/FlexGrid.h"
#include "store/ClassModule.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QTest>

// A data directory with two shapes. Brilliant / AGL has three classes and
// descriptions with a gap in their IDs (0, 2, 3), as a save that skipped an
// incomplete row leaves them; its Bazel grades name IDs 2..3 for class 0,
// 0..2 for class 1, a vanished ID for class 2 and a class that is gone.
// Oval / AGL is the same lab on another shape, "Bare" a lab with classes and
// nothing else.
inline const QString kGirdleSeed = QStringLiteral(
    "INSERT INTO Cut VALUES ('Brilliant', 'AGL', 0, 'Excellent');\n"
    "INSERT INTO Cut VALUES ('Brilliant', 'AGL', 1, 'Good');\n"
    "INSERT INTO Cut VALUES ('Brilliant', 'AGL', 2, 'Poor');\n"
    "INSERT INTO Cut VALUES ('Brilliant', 'Bare', 0, 'Only');\n"
    "INSERT INTO Cut VALUES ('Oval', 'AGL', 0, 'Fine');\n"
    "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 0, 'Thin', 0, 1, 0, 1.5, 0, 2);\n"
    "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 2, 'Medium', 1, 2, 1.5, 3, 2, 4);\n"
    "INSERT INTO GIRDLE_DESC VALUES ('Brilliant', 'AGL', 3, 'Thick', 2, 3, 3, 4.5, 4, 6);\n"
    "INSERT INTO GIRDLE_DESC VALUES ('Oval', 'AGL', 0, 'Oval thin', 0, 1, 0, 1, 0, 1);\n"
    "INSERT INTO GIRDLE_CLASS VALUES (2, 3, 0, 'AGL', 'Brilliant', 'Bazel');\n"
    "INSERT INTO GIRDLE_CLASS VALUES (0, 2, 1, 'AGL', 'Brilliant', 'Bazel');\n"
    "INSERT INTO GIRDLE_CLASS VALUES (0, 9, 2, 'AGL', 'Brilliant', 'Bazel');\n"
    "INSERT INTO GIRDLE_CLASS VALUES (0, 0, 5, 'AGL', 'Brilliant', 'Bazel');\n"
    "INSERT INTO GIRDLE_CLASS VALUES (0, 0, 0, 'AGL', 'Oval', 'Bazel');\n");

template <typename Window>
struct GirdleFixture {
    GirdleFixture() { window.show(); }

    // Chooses an entry as the user does, then runs its handler.
    template <typename Handler>
    void choose(QComboBox *box, const QString &text, Handler handler)
    {
        box->setCurrentIndex(box->findText(text));
        (window.*handler)();
    }

    QStringList row(int r) const
    {
        QStringList texts;
        for (int c = 0; c < window.msg->cols(); ++c)
            texts.append(window.msg->textMatrix(r, c));
        return texts;
    }

    QStringList rows() const
    {
        QStringList all;
        for (int r = 0; r < window.msg->rows(); ++r)
            all.append(row(r).join(u'|'));
        return all;
    }

    testsupport::ScriptedPrompt prompt;
    testsupport::TestDataDir dir{QStringLiteral("Brilliant~RNDCUTSYM\r\nOval~OVLCUTSYM\r\n")};
    bool seeded = (dir.exec(kGirdleSeed), true); // before the window opens on it
    store::ClassModule module{store::DataDir(dir.path())};
    Window window{module};
};
