#include "lumatic_test.h"
#include "shown_main_window.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QTest>

using namespace lumatic;

namespace {

// Every node below the window, as an assistive tool walks it.
QList<QAccessibleInterface *> walk(QAccessibleInterface *node) {
    QList<QAccessibleInterface *> nodes_;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        nodes_ << child << walk(child);
    }
    return nodes_;
}

QAccessibleInterface *named(const QList<QAccessibleInterface *> &nodes_,
                            const QString &objectName) {
    for (QAccessibleInterface *node : nodes_)
        if (node->object() && node->object()->objectName() == objectName)
            return node;
    return nullptr;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;
    QList<QAccessibleInterface *> nodes_;

private slots:
    void initTestCase() {
        shown_.init();
        nodes_ = walk(QAccessible::queryAccessibleInterface(&shown_.main()));
    }
    void cleanupTestCase() { shown_.cleanup(); }

    void everyControlIsNamed() {
        // Three frames, four controls on the window, twenty list labels, five in the information.
        QCOMPARE(nodes_.size(), 3 + 4 + 20 + 5);
        for (QAccessibleInterface *node : nodes_)
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                     qPrintable(node->object()->objectName()));
    }

    void namesAndRoles_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        const auto row = [](const char *tag, const char *control, const char *name,
                            QAccessible::Role role) {
            QTest::newRow(tag) << QString(control) << QString(name) << int(role);
        };
        row("help", "Image1", "Help and About", QAccessible::Button);
        row("news", "Image2", "News", QAccessible::Button);
        row("close", "Image3", "Close Everything", QAccessible::Button);
        row("first entry", "Label1", "1 - Fire Flicker", QAccessible::StaticText);
        row("entry 11", "Label20", "11 - Black Fade Pulse", QAccessible::StaticText);
        row("version", "Label22", "Lumatic v1.0 (For Kingpin)", QAccessible::StaticText);
        row("information", "Frame1", "Style Information and Uses", QAccessible::Client);
        row("swatch", "preview", "Preview", QAccessible::Client);
        row("position box", "stylerun", "Position", QAccessible::EditableText);
    }
    void namesAndRoles() {
        QFETCH(QString, control);
        QAccessibleInterface *node = named(nodes_, control);
        QVERIFY(node);
        QTEST(node->text(QAccessible::Name), "name");
        QTEST(int(node->role()), "role");
    }

    void thePreviewSpeaksItsLevelAndPosition() {
        MainWindow &main = shown_.main();
        main.Label_Click(4);
        shown_.registry().clocks().tick(4);
        QAccessibleInterface *swatch = named(nodes_, "preview");
        QCOMPARE(swatch->text(QAccessible::Description), "Level m");
        shown_.registry().clocks().tick(4);
        QCOMPARE(swatch->text(QAccessible::Description), "Level a");
        QAccessibleInterface *box = named(nodes_, "stylerun");
        QCOMPARE(box->textInterface()->text(0, box->textInterface()->characterCount()), "2/12");
        main.Form_Click();
    }

    // An assistive tool presses a picture button as a user clicks it.
    void pictureButtonsCanBePressed() {
        QAccessibleInterface *help = named(nodes_, "Image1");
        QVERIFY(help->actionInterface());
        QVERIFY(help->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        help->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(shown_.registry().existingHelpWindow());
    }
};

LUMATIC_TEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
