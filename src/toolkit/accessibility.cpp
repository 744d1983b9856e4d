#include "accessibility.h"

#include "controls.h"

#include <QAccessibleWidget>
#include <algorithm>

namespace lumatic {

namespace {

// A window or frame whose children are read as a reader's eye goes, not as they are stacked.
class ReadingOrder : public QAccessibleWidget {
public:
    explicit ReadingOrder(QWidget *widget) : QAccessibleWidget(widget) {}

    int childCount() const override { return int(ordered().size()); }
    QAccessibleInterface *child(int index) const override { return ordered().value(index); }
    int indexOfChild(const QAccessibleInterface *child) const override {
        return int(ordered().indexOf(const_cast<QAccessibleInterface *>(child)));
    }

private:
    // A line is the first unread child from the top and every child whose middle lies beside
    // it; its children read left to right. The first child always belongs to its line, even a
    // hidden one, whose empty rectangle ends above its own middle: else no line would end.
    QList<QAccessibleInterface *> ordered() const {
        QList<QAccessibleInterface *> rest;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i)
            rest << QAccessibleWidget::child(i);
        const auto byTop = [](QAccessibleInterface *a, QAccessibleInterface *b) {
            return a->rect().top() < b->rect().top();
        };
        const auto byLeft = [](QAccessibleInterface *a, QAccessibleInterface *b) {
            return a->rect().left() < b->rect().left();
        };
        std::stable_sort(rest.begin(), rest.end(), byTop);
        QList<QAccessibleInterface *> read;
        while (!rest.isEmpty()) {
            const int bottom = rest.first()->rect().bottom();
            const auto lineEnd = std::find_if(rest.cbegin() + 1, rest.cend(), [&](auto *node) {
                return node->rect().center().y() > bottom;
            });
            QList<QAccessibleInterface *> line(rest.cbegin(), lineEnd);
            std::stable_sort(line.begin(), line.end(), byLeft);
            read << line;
            rest.erase(rest.cbegin(), lineEnd);
        }
        return read;
    }
};

// A label that is clicked: its click is also its press action, reached without a mouse.
class ClickableLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickableLabelAccessible(ClickableLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text which) const override {
        if (which == QAccessible::Name && widget()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(which);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override {
        if (action == pressAction())
            emit label()->clicked();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    ClickableLabel *label() const { return static_cast<ClickableLabel *>(widget()); }
};

// The position box as a text that only the clocks write: readable, never editable.
class PositionBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PositionBoxAccessible(PositionBox *box)
        : QAccessibleWidget(box, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.editable = false;
        return state;
    }
    QString text(QAccessible::Text which) const override {
        return which == QAccessible::Value ? box()->text() : QAccessibleWidget::text(which);
    }

    QString text(int start, int end) const override {
        return box()->text().mid(start, end - start);
    }
    int characterCount() const override { return int(box()->text().size()); }
    QRect characterRect(int offset) const override {
        const QString shown = box()->text();
        if (offset < 0 || offset >= shown.size())
            return {};
        const QFontMetrics metrics(box()->font(), box());
        const QRect line = box()->rect().adjusted(2, 0, 0, 0);
        const QRect character(line.left() + metrics.horizontalAdvance(shown.left(offset)),
                              line.top(), metrics.horizontalAdvance(shown.at(offset)),
                              line.height());
        return QRect(box()->mapToGlobal(character.topLeft()), character.size());
    }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    PositionBox *box() const { return static_cast<PositionBox *>(widget()); }
};

QAccessibleInterface *accessibleFor(const QString &className, QObject *object) {
    if (className == QLatin1String("lumatic::ClickableLabel"))
        return new ClickableLabelAccessible(static_cast<ClickableLabel *>(object));
    if (className == QLatin1String("lumatic::PositionBox"))
        return new PositionBoxAccessible(static_cast<PositionBox *>(object));
    if (className == QLatin1String("lumatic::Form") || className == QLatin1String("lumatic::Frame"))
        return new ReadingOrder(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace lumatic
