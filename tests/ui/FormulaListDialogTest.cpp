#include "ui/FormulaListDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace kestrum {

class FormulaListDialogTest : public QObject {
    Q_OBJECT

private:
    // A search that kept only three formulas.
    static CandidateRows threeCandidates() {
        CandidateRows rows;
        rows.formula[0] = 17;
        rows.formula[1] = 250;
        rows.formula[2] = 333;
        rows.formula[4] = 404; // as if a later phase had written it
        rows.accuracy[0] = 93.0f;
        rows.accuracy[1] = 100.0f;
        rows.maxHitRun[0] = 5;
        rows.maxMissRun[0] = 2;
        rows.hitPlans[0] = 12;
        return rows;
    }

    static void clickRow(FormulaListDialog& dialog, int row) {
        QTableWidget* list = dialog.list();
        const QRect cell = list->visualItemRect(list->item(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

private slots:
    void showsThirtyRowsAsTheSearchLeftThem() {
        FormulaListDialog dialog(threeCandidates());
        QTableWidget* list = dialog.list();
        QCOMPARE(list->rowCount(), 30);
        QCOMPARE(list->columnCount(), 5);
        QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral("计划公式"));
        QCOMPARE(list->horizontalHeaderItem(3)->text(), QStringLiteral("准确率"));
        QCOMPARE(list->columnWidth(0), 150);
        QCOMPARE(list->columnWidth(4), 100);
        const QStringList first = {QStringLiteral("17"), QStringLiteral("5"), QStringLiteral("2"),
                                   QStringLiteral("93.0"), QStringLiteral("12")};
        const QStringList empty = {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                   QStringLiteral("0.0"), QStringLiteral("0")};
        for (int column = 0; column < 5; ++column) {
            QCOMPARE(list->item(0, column)->text(), first[column]);
            QCOMPARE(list->item(29, column)->text(), empty[column]);
        }
        QCOMPARE(list->item(1, 3)->text(), QStringLiteral("100.0"));
        QCOMPARE(dialog.windowTitle(),
                 QStringLiteral(" 选好公式后请点击下面的——>选定公式<——   按钮"));
        QCOMPARE(dialog.chosenFormula(), -1);
    }

    void atLeastFifteenRowsShowAtOnce() {
        FormulaListDialog dialog(threeCandidates());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableWidget* list = dialog.list();
        int whole = 0;
        for (int row = 0; row < list->rowCount(); ++row) {
            whole +=
                list->viewport()->rect().contains(list->visualItemRect(list->item(row, 0))) ? 1 : 0;
        }
        QVERIFY2(whole >= 15, qPrintable(QString::number(whole)));
    }

    void aClickShowsTheRowsFormulaAndConfirmingChoosesIt() {
        FormulaListDialog dialog(threeCandidates());
        dialog.show();
        clickRow(dialog, 4);
        QCOMPARE(dialog.chosenBox()->text(), QStringLiteral("404"));
        QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
        QCOMPARE(dialog.chosenFormula(), 404);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void anEmptyRowOrAnEmptyBoxGivesRowZero() {
        FormulaListDialog dialog(threeCandidates());
        dialog.show();
        clickRow(dialog, 10);
        QCOMPARE(dialog.chosenBox()->text(), QStringLiteral("0"));
        QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
        QCOMPARE(dialog.chosenFormula(), 17);

        FormulaListDialog again(threeCandidates());
        again.show();
        QTest::mouseClick(again.chooseButton(), Qt::LeftButton);
        QCOMPARE(again.chosenFormula(), 17);
    }

    void aTypedFormulaIsTakenAsItIs() {
        FormulaListDialog dialog(threeCandidates());
        dialog.show();
        QTest::keyClicks(dialog.chosenBox(), QStringLiteral(" 321abc"));
        QTest::mouseClick(dialog.chooseButton(), Qt::LeftButton);
        QCOMPARE(dialog.chosenFormula(), 321);
    }

    void closingWithoutChoosingLeavesTheChoiceNegative() {
        FormulaListDialog dialog(threeCandidates());
        dialog.show();
        clickRow(dialog, 2);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.chosenFormula(), -1);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        // Enter in the box closes too, without a choice; on the button it chooses.
        FormulaListDialog enter(threeCandidates());
        enter.show();
        enter.chosenBox()->setFocus();
        QTest::keyClicks(enter.chosenBox(), QStringLiteral("5"));
        QTest::keyClick(enter.chosenBox(), Qt::Key_Return);
        QCOMPARE(enter.chosenFormula(), -1);
        QVERIFY(!enter.isVisible());

        FormulaListDialog onButton(threeCandidates());
        onButton.show();
        onButton.chooseButton()->setFocus();
        QTest::keyClick(onButton.chooseButton(), Qt::Key_Return);
        QCOMPARE(onButton.chosenFormula(), 17);
    }
};

} // namespace kestrum

QTEST_MAIN(kestrum::FormulaListDialogTest)
#include "FormulaListDialogTest.moc"
