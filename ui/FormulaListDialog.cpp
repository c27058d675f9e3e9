#include "ui/FormulaListDialog.h"

#include "base/Text.h"
#include "ui/DialogUnits.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>

namespace kestrum {

namespace {

QString number(const char* format, double value) {
    return QString::fromStdString(formatText(format, value));
}

QString number(std::int32_t value) {
    return QString::fromStdString(formatText("%d", value));
}

} // namespace

FormulaListDialog::FormulaListDialog(const CandidateRows& candidates, QWidget* parent)
    : QDialog(parent), m_formulas(candidates.formula) {
    setWindowTitle(QStringLiteral(" 选好公式后请点击下面的——>选定公式<——   按钮"));
    QFont dialogFont = font();
    dialogFont.setPointSize(10);
    setFont(dialogFont);
    const DialogUnits units(dialogFont);
    setFixedSize(units.toPixels(QSize(314, 212)));

    m_list = new QTableWidget(kCandidateRows, 5, this);
    m_list->setObjectName(QStringLiteral("control1036"));
    m_list->setAccessibleName(QStringLiteral("公式列表"));
    m_list->setGeometry(units.toPixels(10, 8, 289, 155));
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    // Compact rows, as a list of this kind shows them: the text's height and a little air, so
    // that half the candidates show at once.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setMinimumSectionSize(1);
    m_list->verticalHeader()->setDefaultSectionSize(QFontMetrics(dialogFont).height() + 2);
    const char* headers[] = {"计划公式", "最大连对", "最大连错", "准确率", "计划连中"};
    const int widths[] = {150, 100, 100, 100, 100};
    for (int column = 0; column < 5; ++column) {
        auto* header = new QTableWidgetItem(QString::fromUtf8(headers[column]));
        header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_list->setHorizontalHeaderItem(column, header);
        m_list->setColumnWidth(column, widths[column]);
    }
    for (int row = 0; row < kCandidateRows; ++row) {
        const auto slot = static_cast<std::size_t>(row);
        const QString cells[] = {number(candidates.formula[slot]),
                                 number(candidates.maxHitRun[slot]),
                                 number(candidates.maxMissRun[slot]),
                                 number("%.1f", static_cast<double>(candidates.accuracy[slot])),
                                 number(candidates.hitPlans[slot])};
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            m_list->setItem(row, column, item);
        }
    }
    m_list->viewport()->installEventFilter(this);

    auto* label = new QLabel(QStringLiteral("所选公式："), this);
    label->setGeometry(units.toPixels(43, 179, 41, 12));
    m_box = new QLineEdit(this);
    m_box->setObjectName(QStringLiteral("control1007"));
    m_box->setAccessibleName(QStringLiteral("所选公式"));
    m_box->setGeometry(units.toPixels(90, 174, 63, 18));
    m_choose = new QPushButton(QStringLiteral("选定公式"), this);
    m_choose->setObjectName(QStringLiteral("control1000"));
    m_choose->setAccessibleName(m_choose->text());
    m_choose->setGeometry(units.toPixels(168, 172, 61, 23));
    m_choose->setAutoDefault(false);
    m_choose->setDefault(false);
    connect(m_choose, &QPushButton::clicked, this, &FormulaListDialog::confirm);
}

void FormulaListDialog::showMarkedFormula() {
    const int row = m_list->currentRow() >= 0 ? m_list->currentRow() : 0;
    m_box->setText(number(m_formulas[static_cast<std::size_t>(row)]));
}

void FormulaListDialog::confirm() {
    std::int32_t formula = leadingDecimal(m_box->text().toStdString());
    if (formula == 0) {
        formula = m_formulas[0];
    }
    m_chosenFormula = formula;
    accept();
}

bool FormulaListDialog::eventFilter(QObject* watched, QEvent* event) {
    // Every click on the list, also below its last row, shows the marked row's formula.
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        showMarkedFormula();
    }
    return QDialog::eventFilter(watched, event);
}

void FormulaListDialog::keyPressEvent(QKeyEvent* event) {
    // Enter presses "选定公式" when it has the focus; elsewhere it closes without a choice.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == m_choose) {
            confirm();
        } else {
            reject();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestrum
