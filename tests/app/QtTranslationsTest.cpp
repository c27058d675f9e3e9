#include "app/QtTranslations.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace kestrum {

class QtTranslationsTest : public QObject {
    Q_OBJECT

private slots:
    // Qt's standard buttons and its file dialog speak Chinese, as the window does.
    void qtsOwnTextsAreChinese() {
        QVERIFY(installQtTranslations(*qApp));
        QMessageBox box(QMessageBox::Information, QString(), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("另存为"));
    }
};

} // namespace kestrum

QTEST_MAIN(kestrum::QtTranslationsTest)
#include "QtTranslationsTest.moc"
