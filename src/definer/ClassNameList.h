#pragma once

#include <QList>
#include <functional>
#include <QObject>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace controls {
class EditHistory;
}

namespace definer {

// The class names of a lab as a plain list: add, delete the selected,
// move the current one up or down, each a step of the window's history.
// Touches neither the store nor the grid.
class ClassNameList : public QObject {
    Q_OBJECT

public:
    enum Button { Add = 0, Delete = 1, MoveUp = 2, MoveDown = 3 };

    ClassNameList(QListWidget *LCname, QLineEdit *TxtCName, controls::EditHistory *history, QObject *parent = nullptr);

    void BtnList_Click(int index);

    static constexpr int kMaxNameLength = 25;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void add();
    void deleteSelected();
    void move(int step);

    // The list with its selection, as undo and redo put it back.
    struct Shown {
        QStringList names;
        QList<int> selected;
        int current;
        bool operator==(const Shown &other) const = default;
    };
    Shown shown() const;
    void show(const Shown &shown);
    void recorded(const std::function<void()> &change, const QString &what);

    QListWidget *m_list;
    QLineEdit *m_name;
    controls::EditHistory *m_history;
};

} // namespace definer
