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
    QList<QAccessibleInterface *> nodes;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        nodes << child << walk(child);
    }
    return nodes;
}

QAccessibleInterface *named(const QList<QAccessibleInterface *> &nodes, const QString &objectName) {
    for (QAccessibleInterface *node : nodes)
        if (node->object() && node->object()->objectName() == objectName)
            return node;
    return nullptr;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown;
    QList<QAccessibleInterface *> nodes;

private slots:
    void initTestCase() {
        shown.init();
        nodes = walk(QAccessible::queryAccessibleInterface(&shown.main()));
    }
    void cleanupTestCase() { shown.cleanup(); }

    void everyControlIsNamed() {
        // Three frames, four controls on the window, twenty list labels, five in the information.
        QCOMPARE(nodes.size(), 3 + 4 + 20 + 5);
        for (QAccessibleInterface *node : nodes)
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                     qPrintable(node->object()->objectName()));
    }

    void namesAndRoles_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        QTest::newRow("help") << "Image1"
                              << "Help and About" << int(QAccessible::Button);
        QTest::newRow("news") << "Image2"
                              << "News" << int(QAccessible::Button);
        QTest::newRow("close") << "Image3"
                               << "Close Everything" << int(QAccessible::Button);
        QTest::newRow("first entry") << "Label1"
                                     << "1 - Fire Flicker" << int(QAccessible::StaticText);
        QTest::newRow("entry 11") << "Label20"
                                  << "11 - Black Fade Pulse" << int(QAccessible::StaticText);
        QTest::newRow("version") << "Label22"
                                 << "Lumatic v1.0 (For Kingpin)" << int(QAccessible::StaticText);
        QTest::newRow("information") << "Frame1"
                                     << "Style Information and Uses" << int(QAccessible::Client);
        QTest::newRow("swatch") << "preview"
                                << "Preview" << int(QAccessible::Client);
        QTest::newRow("position box") << "stylerun"
                                      << "Position" << int(QAccessible::EditableText);
    }
    void namesAndRoles() {
        QFETCH(QString, control);
        QAccessibleInterface *node = named(nodes, control);
        QVERIFY(node);
        QTEST(node->text(QAccessible::Name), "name");
        QTEST(int(node->role()), "role");
    }

    void thePreviewSpeaksItsLevelAndPosition() {
        MainWindow &main = shown.main();
        main.Label_Click(4);
        shown.registry().clocks().tick(4);
        QAccessibleInterface *swatch = named(nodes, "preview");
        QCOMPARE(swatch->text(QAccessible::Description), "Level m");
        shown.registry().clocks().tick(4);
        QCOMPARE(swatch->text(QAccessible::Description), "Level a");
        QAccessibleInterface *box = named(nodes, "stylerun");
        QCOMPARE(box->textInterface()->text(0, box->textInterface()->characterCount()), "2/12");
        main.Form_Click();
    }

    // An assistive tool presses a picture button as a user clicks it.
    void pictureButtonsCanBePressed() {
        QAccessibleInterface *help = named(nodes, "Image1");
        QVERIFY(help->actionInterface());
        QVERIFY(help->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        help->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(shown.registry().existingHelpWindow());
    }
};

LUMATIC_TEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
