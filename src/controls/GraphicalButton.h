#pragma once

#include <QAbstractButton>

namespace controls {

// A square command button that shows a picture above its caption, the
// caption wrapped to the button's width.
class GraphicalButton : public QAbstractButton {
    Q_OBJECT

public:
    GraphicalButton(const QString &caption, const QIcon &icon, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace controls
