#pragma once

#include <QAbstractButton>

namespace controls {

// A command button that shows a picture above its caption, the caption
// wrapped to the button's width in the button's own font. The picture takes
// what room the caption leaves.
class GraphicalButton : public QAbstractButton {
    Q_OBJECT

public:
    GraphicalButton(const QString &caption, const QIcon &icon, QWidget *parent = nullptr);
    QSize sizeHint() const override;

    // Widens the button until the caption fits its height with a small
    // picture above it: its right edge up to x = limit, or, when the limit
    // lies left of the button, its left edge down to it.
    void fitCaption(int limit);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The caption's wrapped size at a button width.
    QSize captionSize(int width) const;
};

} // namespace controls
